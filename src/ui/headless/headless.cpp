#include "ui/headless/headless.h"

namespace qz::ui::headless {

void HeadlessBackend::RunModal(CDialog& dlg) {
    dlg.InputStart();
    while (!dlg.IsEnded()) PlayAtDialog(dlg);
    dlg.InputDestroy();
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
