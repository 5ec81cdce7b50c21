// Any bytes as the JSON source quarnz template build and push read.  A source
// is either refused in one line (Failure; nothing else may escape) or gives
// rows that the library can hold as they are: ids 1 up, a mode from 0 to 3,
// finite values, texts of valid UTF-16 without a NUL, and a characteristic
// in formula form that reads back whole and is stored again to the same
// bytes.  The first byte's low bit is --allow-empty.
#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "apps/quarnz/commands.h"
#include "apps/quarnz/template_source.h"
#include "base/archive.h"
#include "fuzz_check.h"
#include "records/pict.h"

namespace {

std::string path;

void CheckText(const qz::Text& text) {
    Check(text.find(u'\0') == qz::Text::npos);
    qz::ToUtf8(text);  // throws on a lone surrogate
}

// Failure's line goes to standard error; not thousands of them a second.
std::vector<qz::CRecordset_Distance> ReadQuietly(bool allowEmpty) {
    static const int devNull = ::open("/dev/null", O_WRONLY);
    const int saved = ::dup(2);
    ::dup2(devNull, 2);
    struct Restore {
        int fd;
        ~Restore() {
            ::dup2(fd, 2);
            ::close(fd);
        }
    } restore{saved};
    return quarnz::ReadJsonSource(path, allowEmpty);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char dir[] = "/dev/shm/qz_json_source_XXXXXX";
    Check(::mkdtemp(dir) != nullptr);
    path = std::string(dir) + "/source.json";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const bool allowEmpty = data[0] & 1;
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data + 1), std::streamsize(size - 1));
    }
    std::vector<qz::CRecordset_Distance> rows;
    try {
        rows = ReadQuietly(allowEmpty);
    } catch (const quarnz::Failure&) {
        return 0;
    }
    Check(allowEmpty || !rows.empty());
    Check(rows.size() <= std::size_t(quarnz::kMaxId));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const qz::CRecordset_Distance& r = rows[i];
        Check(r.nID == std::int32_t(i + 1));
        Check(r.setting.Zzd_Mode >= 0 && r.setting.Zzd_Mode <= 3);
        Check(std::isfinite(r.setting.Zzd_1) && std::isfinite(r.setting.Zzd_2) &&
              std::isfinite(r.setting.Zzd_3));
        for (const qz::Text* t :
             {&r.strManufacturer, &r.strProtSort, &r.strProtModel, &r.strZoneName, &r.strMemo})
            CheckText(*t);
        qz::PictList picts;
        qz::CArchiveReader ar(r.ProtSettings.data(), r.ProtSettings.size());
        const std::int32_t count = qz::LoadPicts(ar, picts, qz::PictForm::kFormula);
        Check(ar.Remaining() == 0 && count >= 0 && std::size_t(count) == picts.size());
        std::vector<std::uint8_t> again;
        qz::CArchiveWriter w(again);
        qz::StorePicts(w, picts, qz::PictForm::kFormula);
        Check(again == r.ProtSettings);
    }
    return 0;
}
