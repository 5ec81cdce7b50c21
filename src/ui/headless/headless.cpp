#include "ui/headless/headless.h"

#include "gfx/recording_canvas.h"

namespace qz::ui::headless {

namespace {

// The dialog's client area in pixels.
Rect ClientRect(const CDialog& dlg) {
    return {0, 0, DluToPixelX(dlg.Template().cx), DluToPixelY(dlg.Template().cy)};
}

}  // namespace

void HeadlessBackend::RunModal(CDialog& dlg) {
    // The surface the dialog's layers are made compatible with.
    dlg.SetSurfaceMaker([make = make_]() -> std::unique_ptr<gfx::CCanvas> {
        if (make) return make(1, 1);
        return std::make_unique<gfx::CRecordingCanvas>(1, 1);
    });
    dlg.InputStart();
    while (!dlg.IsEnded()) PlayAtDialog(dlg);
    dlg.InputDestroy();
}

bool HeadlessBackend::SavePicture(CDialog& dlg, int id, TextView file) {
    const Control* c = dlg.FindControl(id);
    if (!c || !make_ || !write_) return false;
    // The dialog paints its client area, on the face colour of dialogs.
    Rect client = ClientRect(dlg);
    std::unique_ptr<gfx::CCanvas> whole = make_(client.Width(), client.Height());
    whole->FillRect(client, {gfx::Brush::kSolid, gfx::Rgb(240, 240, 240)});
    dlg.InputPaint(*whole);
    std::unique_ptr<gfx::CCanvas> picture = make_(c->rect.Width(), c->rect.Height());
    picture->BitBlt(0, 0, c->rect.Width(), c->rect.Height(), *whole, c->rect.left, c->rect.top);
    return write_(*picture, ToUtf8Lossy(file));
}

int HeadlessBackend::MessageBox(TextView text, TextView caption, unsigned flags) {
    PlayAtMessageBox(text, caption, flags);
    return pressed_;
}

int HeadlessBackend::TrackPopupMenu(const PopupMenu& menu, Point screen, CDialog&) {
    PlayAtMenu(menu, screen);
    return picked_;
}

}  // namespace qz::ui::headless
