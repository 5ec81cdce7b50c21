// What a user-interface backend provides: a modal run of a dialog, message
// boxes and pop-up menus.  Everything else lives in the dialogs' core.
#pragma once

#include "base/msgbox.h"
#include "base/text.h"
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

// The active backend, which the application chooses; a dialog run without
// one raises std::logic_error.
Backend& CurrentBackend();
// Returns the backend set before.
Backend* SetBackend(Backend* backend);

// Makes a backend the active one for a scope, then restores the one before.
class UseBackend {
  public:
    explicit UseBackend(Backend& backend) : previous_(SetBackend(&backend)) {}
    ~UseBackend() { SetBackend(previous_); }
    UseBackend(const UseBackend&) = delete;
    UseBackend& operator=(const UseBackend&) = delete;

  private:
    Backend* previous_;
};

int MessageBox(TextView text, TextView caption = kModuleName, unsigned flags = kMbOk);

// While alive, the lower layers' message boxes (the zone file loader's)
// show through the active backend.
class MessageBoxRoute {
  public:
    MessageBoxRoute();

  private:
    UseMessageBoxHandler use_;
};

}  // namespace qz::ui
