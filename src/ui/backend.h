// What a user-interface backend provides: a modal run of a dialog, message
// boxes and pop-up menus.  Everything else lives in the dialogs' core.
#pragma once

#include "frame/msgbox.h"
#include "frame/text.h"
#include "ui/units.h"

namespace qz::ui {

class CDialog;
class PopupMenu;

class Backend {
  public:
    virtual ~Backend() = default;
    // Shows the dialog and feeds it the user's input until it has ended:
    // first dlg.InputStart(), then the Input... calls, last dlg.InputDestroy().
    virtual void RunModal(CDialog& dlg) = 0;
    // Returns the button pressed (kIdOk, kIdYes, ...).
    virtual int MessageBox(TextView text, TextView caption, unsigned flags) = 0;
    // Returns the command chosen, 0 when the menu was dismissed.
    virtual int TrackPopupMenu(const PopupMenu& menu, Point screen, CDialog& owner) = 0;
};

// The active backend; by default the headless one, which without a session
// script ends every dialog with Cancel.
Backend& CurrentBackend();
// Null restores the default.
void SetBackend(Backend* backend);

int MessageBox(TextView text, TextView caption = kModuleName, unsigned flags = kMbOk);

// While alive, the frame's message boxes (the zone file loader's) show
// through the active backend.
class MessageBoxRoute {
  public:
    MessageBoxRoute();
    ~MessageBoxRoute();
    MessageBoxRoute(const MessageBoxRoute&) = delete;
    MessageBoxRoute& operator=(const MessageBoxRoute&) = delete;
};

}  // namespace qz::ui
