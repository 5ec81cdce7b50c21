// The dialogs' paint path: a dialog draws through the canvas the backend
// gives, and a snapshot step saves what it drew over a placeholder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "gfx/recording_canvas.h"
#include "resources/resource_ids.h"
#include "session/headless/headless_session.h"
#include "test_util.h"
#include "ui/dialog.h"
#ifdef _WIN32
#include "gfx/gdi/gdi_canvas.h"
using Raster = qz::gfx::CGdiCanvas;
#else
#include "gfx/cairo/raster_cairo.h"
using Raster = qz::gfx::CRasterCanvas;
#endif

using namespace qz;
using namespace qz::ui;

namespace {

constexpr gfx::Color kRed = gfx::Rgb(255, 0, 0);

// A snapshot step for a file, its path quoted as a script word.
Text SnapshotStep(const std::filesystem::path& file) {
    std::string quoted;
    for (char c : file.string()) quoted += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return FromUtf8("snapshot 4321 \"" + quoted + "\"\n");
}

// Draws a red layer, made compatible with its surface, over the graph
// editor's plot placeholder.
class Painter : public CDialog {
  public:
    Painter() : CDialog(res::kDlgGraph) {}
    std::unique_ptr<gfx::CCanvas> layer;

  protected:
    bool OnInitDialog() override {
        const Rect& r = Item(res::kGraphPreview).rect;
        layer = Surface()->CreateLayer(r.Width(), r.Height());
        layer->FillRect({0, 0, r.Width(), r.Height()}, {gfx::Brush::kSolid, kRed});
        return CDialog::OnInitDialog();
    }
    void OnPaint(gfx::CCanvas& dc) override {
        const Rect& r = Item(res::kGraphPreview).rect;
        dc.BitBlt(r.left, r.top, r.Width(), r.Height(), *layer, 0, 0);
    }
};

}  // namespace

TEST(DialogPaint, SnapshotSavesWhatTheDialogDrewOverThePlaceholder) {
    qztest::TempDir dir;
    std::string file = (dir.path() / "plot.png").string();
    session::HeadlessSession backend;
    backend.SetPictureCanvas([](int w, int h) { return std::make_unique<Raster>(w, h); },
                             [](const gfx::CCanvas& c, const std::string& path) {
                                 return static_cast<const Raster&>(c).SavePng(path);
                             });
    backend.Play(SnapshotStep(file) + u"close\n");
    Painter dlg;
    {
        UseBackend use(backend);
        dlg.DoModal();
    }
    ASSERT_TRUE(backend.Finish()) << backend.Errors().front();
    const Rect& r = dlg.Item(res::kGraphPreview).rect;
    Raster want(r.Width(), r.Height());
    want.FillRect({0, 0, r.Width(), r.Height()}, {gfx::Brush::kSolid, kRed});
    std::ifstream in(file, std::ios::binary);
    std::vector<std::uint8_t> got{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(got, want.EncodePng());

    // Without a raster canvas the dialog draws on a recording one, and a
    // snapshot has nothing to write.
    session::HeadlessSession recording;
    recording.Play(SnapshotStep(dir.path() / "none.png"));
    Painter again;
    {
        UseBackend use(recording);
        again.DoModal();
    }
    EXPECT_FALSE(recording.Finish());
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "none.png"));
    auto* layer = dynamic_cast<gfx::CRecordingCanvas*>(again.layer.get());
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->Lines().front(), "FillRect 0,0," + std::to_string(r.Width()) + "," +
                                          std::to_string(r.Height()) + " brush=#ff0000");
}
