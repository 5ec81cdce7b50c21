// Any bytes as the characteristic of a template zone (its element list in
// formula form), loaded by the import dialog as the user chooses the zone:
// a mode byte and three values (the caller's setting), a value typed over
// the first field, then the block.  The user answers whatever error is
// shown, types the value, leaves the field and confirms.  The dialog must
// stay usable and end with OK, every step played; what it returns is what it
// wrote to its exchange file in numeric form, element for element, no more
// elements than the block has room for; and the preview draws every
// coordinate within the pixel limit.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "dialogs/import/import_prot_dlg.h"
#include "fuzz_check.h"
#include "gfx/recording_canvas.h"
#include "import_fixture.h"
#include "records/geometry.h"
#include "resources/resource_ids.h"
#include "session/headless/headless_session.h"

namespace {

constexpr std::size_t kHead = 1 + 4 * sizeof(float);
std::string dir;

float RealAt(const std::uint8_t* data) {
    float f;
    std::memcpy(&f, data, sizeof f);
    return f;
}

// Answers the error box shown, if one waits, then plays the first of
// `steps` and so on; a step after a box plays only when `always`: a zone
// that did not load leaves its fields disabled.
struct Next {
    std::string script;
    bool always;
};
void AnswerThen(qz::session::HeadlessSession& user, std::vector<Next> steps) {
    if (steps.empty()) return;
    user.Call([&user, steps] {
        const auto& boxes = user.Messages();
        const bool waiting = !boxes.empty() && boxes.back().answer == 0;
        if (waiting) user.Play("answer ok");
        if (!waiting || steps.front().always) user.Play(steps.front().script.c_str());
        AnswerThen(user, {steps.begin() + 1, steps.end()});
    });
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char d[] = "/dev/shm/qz_import_elements_XXXXXX";
    Check(::mkdtemp(d) != nullptr);
    dir = d;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kHead) return 0;
    std::vector<std::uint8_t> block(data + kHead, data + size);
    qztest::MemoryTemplates db;
    db.rows.push_back(
        qztest::ImportRow(5, u"M", u"S", u"T", u"Z1 earth", data[0] % 5, 1, 2, 3, block));
    const std::string prot = dir + "/prot.tmp";
    std::remove(prot.c_str());

    qz::session::HeadlessSession user;
    qz::ui::UseBackend use{user};
    if (std::getenv("QZ_FUZZ_TRANSCRIPT")) user.SetTranscript(stderr);
    qz::CDlg_Import_Prot dlg([&] { return &db; }, qz::FromUtf8(dir));
    dlg.nID = 5;
    dlg.setting.Zzd_1 = RealAt(data + 1);
    dlg.setting.Zzd_2 = RealAt(data + 5);
    dlg.setting.Zzd_3 = RealAt(data + 9);
    char typed[64];
    std::snprintf(typed, sizeof typed, "type 4137 \"%g\"\ntab", double(RealAt(data + 13)));
    AnswerThen(user, {{typed, false}, {"click 4140", true}});
    const int result = dlg.DoModal();
    const bool played = user.Finish();
    for (const std::string& e : user.Errors()) std::fprintf(stderr, "session: %s\n", e.c_str());
    Check(played);
    Check(result == qz::kIdOk);
    for (const auto& box : user.Messages()) Check(box.flags & qz::kMbIconError);

    Check(dlg.bZoneChosen);
    // Each element takes at least its kind's four bytes.
    Check(dlg.arrResult.size() <= block.size() / 4);
    std::ifstream file(prot, std::ios::binary);
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
    qz::PictList written;
    qz::CArchiveReader ar(bytes.data(), bytes.size());
    qz::LoadPicts(ar, written, qz::PictForm::kNumeric);
    Check(ar.Remaining() == 0 && written.size() == dlg.arrResult.size());
    for (std::size_t i = 0; i < written.size(); ++i)
        Check(written[i]->Kind() == dlg.arrResult[i]->Kind());

    auto* surface = dynamic_cast<qz::gfx::CRecordingCanvas*>(dlg.Surface());
    Check(surface != nullptr);
    for (int id = 0; id < surface->LayerCount(); ++id)
        for (const qz::gfx::Call& c : surface->Layer(id).calls)
            for (int v : c.ints) Check(std::abs(double(v)) <= qz::kPixelLimit);
    return 0;
}
