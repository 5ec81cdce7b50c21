// The SQLite row reader on any file, through the backend the library opens.
// The first byte chooses: the rest is the file, or it gives rows that the
// tools' writer stores and then byte changes made to the file written.
// Whatever the file, a failure is a CDBException that marks the connection
// failed, and every text read is at most 255 units.  Rows read back from an
// unchanged file equal those written (texts cut at 255 units), each is found
// by its id, and each is reached through the import tree's statements.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzz_check.h"
#include "templates/sqlite/sqlite_template_db.h"

namespace {

std::string dir;

struct Input : qzfuzz::Bytes {
    float Real() {
        std::uint32_t bits = U32();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return std::isnan(f) ? 0.0f : f;  // SQLite keeps a NaN as NULL
    }
    // Valid UTF-16 without a NUL or a noncharacter, as the tools write;
    // sometimes longer than a library holds.
    qz::Text Text() {
        std::size_t length = U8();
        if (length >= 0xF0) length = 250 + (length - 0xF0) * 4;
        qz::Text t;
        for (std::size_t i = 0; i < length && n; ++i) {
            std::uint8_t b = U8();
            if (b < 0x60)
                t += char16_t(0x20 + b);
            else if (b < 0xC0)
                t += char16_t(0x4E00 + b);
            else if (b < 0xE0)
                t += {char16_t(0xD83D), char16_t(0xDE00 + (b & 0x1F))};
            else  // up to U+FEFF, a byte-order mark; SQLite reads U+FFFE and U+FFFF as U+FFFD
                t += char16_t(0xFEE0 + (b - 0xE0));
        }
        return t;
    }
};

qz::Text Cut(const qz::Text& t) {
    return t.substr(0, qz::kTemplateTextLength);
}

bool Fits(const qz::CRecordset_Distance& r) {
    for (const qz::Text* t :
         {&r.strManufacturer, &r.strProtSort, &r.strProtModel, &r.strZoneName, &r.strMemo})
        if (t->size() > qz::kTemplateTextLength) return false;
    return true;
}

void CheckRow(const qz::CRecordset_Distance& r) {
    for (const qz::Text* t :
         {&r.strManufacturer, &r.strProtSort, &r.strProtModel, &r.strZoneName, &r.strMemo})
        Check(t->size() <= qz::kTemplateTextLength);
}

template <typename T>
bool Has(const std::vector<T>& list, const T& value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

// The import tree's walk, bounded; every statement the dialog sends.
void Walk(qz::CTemplateDatabase& db) {
    constexpr std::size_t kMost = 8;
    auto makers = db.Manufacturers();
    for (std::size_t a = 0; a < makers.size() && a < kMost; ++a) {
        Check(makers[a].size() <= qz::kTemplateTextLength);
        auto sorts = db.ProtSorts(makers[a]);
        for (std::size_t b = 0; b < sorts.size() && b < kMost; ++b) {
            Check(sorts[b].size() <= qz::kTemplateTextLength);
            auto models = db.ProtModels(makers[a], sorts[b]);
            for (std::size_t c = 0; c < models.size() && c < kMost; ++c) {
                Check(models[c].size() <= qz::kTemplateTextLength);
                for (const auto& r : db.Zones(makers[a], sorts[b], models[c])) {
                    CheckRow(r);
                    if (auto one = db.Zone(r.nID)) {
                        CheckRow(*one);
                        Check(one->nID == r.nID);
                    }
                }
            }
        }
    }
    for (const auto& r : db.AllRows()) CheckRow(r);
}

// Opens and walks whatever file is there: only CDBException, which marks the
// connection failed.
void WalkAnyFile(const qz::Text& path) {
    std::unique_ptr<qz::CTemplateDatabase> db;
    try {
        db = qz::OpenSqliteTemplateDatabase(path, std::chrono::milliseconds(2000));
    } catch (const qz::CDBException&) {
        return;
    }
    try {
        Walk(*db);
    } catch (const qz::CDBException&) {
        Check(db->Failed());
        return;
    }
    Check(!db->Failed());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char d[] = "/dev/shm/qz_sqlite_rows_XXXXXX";
    Check(::mkdtemp(d) != nullptr);
    dir = d;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::string file = dir + "/library.mdb";
    const qz::Text path = qz::FromUtf8(file);
    Input in{{data + 1, size - 1}};
    if (!(data[0] & 1)) {
        std::ofstream(file, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(in.p), std::streamsize(in.n));
        WalkAnyFile(path);
        return 0;
    }

    std::vector<qz::CRecordset_Distance> rows;
    for (int count = in.U8() % 6; count > 0 && !in.Empty(); --count) {
        qz::CRecordset_Distance r;
        r.nID = std::int32_t(in.U32());
        r.strManufacturer = in.Text();
        r.strProtSort = in.Text();
        r.strProtModel = in.Text();
        r.strZoneName = in.Text();
        r.setting = {std::int32_t(in.U32()), in.Real(), in.Real(), in.Real()};
        for (std::size_t k = in.U8(); k > 0 && !in.Empty(); --k) r.ProtSettings.push_back(in.U8());
        r.strMemo = in.Text();
        if (std::none_of(rows.begin(), rows.end(), [&](const auto& o) { return o.nID == r.nID; }))
            rows.push_back(std::move(r));
    }
    qz::WriteSqliteTemplateDatabase(path, rows);

    std::vector<qz::CRecordset_Distance> expected = rows;
    for (auto& r : expected)
        for (qz::Text* t :
             {&r.strManufacturer, &r.strProtSort, &r.strProtModel, &r.strZoneName, &r.strMemo})
            *t = Cut(*t);
    std::sort(expected.begin(), expected.end(),
              [](const auto& a, const auto& b) { return a.nID < b.nID; });
    {
        auto db = qz::OpenSqliteTemplateDatabase(path);
        Check(db->AllRows() == expected);
        const auto makers = db->Manufacturers();
        for (const auto& r : expected) {
            Check(db->Zone(r.nID) == r);
            Check(!db->Zone(r.nID ^ 0x40000000) ||
                  std::any_of(expected.begin(), expected.end(),
                              [&](const auto& o) { return o.nID == (r.nID ^ 0x40000000); }));
            // A cut text names no row.
            if (!std::all_of(rows.begin(), rows.end(),
                             [&](const auto& o) { return o.nID != r.nID || Fits(o); }))
                continue;
            Check(Has(makers, r.strManufacturer));
            Check(Has(db->ProtSorts(r.strManufacturer), r.strProtSort));
            Check(Has(db->ProtModels(r.strManufacturer, r.strProtSort), r.strProtModel));
            Check(Has(db->Zones(r.strManufacturer, r.strProtSort, r.strProtModel), r));
        }
        Check(!db->Failed());
    }

    // The rest changes bytes of the file written.
    std::vector<char> bytes;
    {
        std::ifstream f(file, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(f), {});
    }
    if (in.Empty() || bytes.empty()) return 0;
    while (in.n >= 5) {
        std::size_t at = in.U32() % bytes.size();
        bytes[at] = char(in.U8());
    }
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), std::streamsize(bytes.size()));
    WalkAnyFile(path);
    return 0;
}
