// The Windows user interface: every dialog runs as a real modal dialog built
// from its template at run time, in a modal loop of our own.  The window
// messages of the user's input become the dialog's Input... calls, and after
// each one the real controls are brought in line with the dialog's model.
// Message boxes and pop-up menus are the platform's.
#pragma once

#include <windows.h>
// Names of the dialog layer that the platform's headers make macros of.
#undef MessageBox
#undef GetWindowText
#undef SetWindowText
#undef GetDlgItemText
#undef SetDlgItemText

#include <functional>
#include <vector>

#include "ui/backend.h"
#include "ui/dialog.h"

namespace qz::ui::win32 {

class DialogWindow;

// The class of the window that owns the message boxes shown with no dialog
// open; registered, like the grid's, by the backend until it goes.
inline constexpr wchar_t kIdleOwnerClass[] = L"QuarnZGraph.IdleOwner";

// What runs while the user interface waits for the user: the session player,
// or a test standing in for the user.  Each returns true when it did
// something that the loop must now process; false lets the loop wait.
struct IdleHandler {
    // The queue of an open dialog is empty.
    std::function<bool(CDialog& dlg, HWND window)> dialog;
    // A message box waits for its answer.
    std::function<bool(HWND box)> messageBox;
    // A pop-up menu waits for its choice.
    std::function<bool(HMENU menu, HWND owner)> menu;
};

// What a window shows as its text (a control's, a dialog's caption).
Text WindowText(HWND hwnd);

class Win32Backend : public Backend {
  public:
    // `module`: the module whose instance the windows belong to.
    explicit Win32Backend(HINSTANCE module);
    ~Win32Backend() override;
    Win32Backend(const Win32Backend&) = delete;
    Win32Backend& operator=(const Win32Backend&) = delete;

    void RunModal(CDialog& dlg) override;
    int MessageBox(TextView text, TextView caption, unsigned flags) override;
    int TrackPopupMenu(const PopupMenu& menu, Point screen, CDialog& owner) override;

    // While set, the loops call it whenever they wait for the user.
    void SetIdleHandler(IdleHandler idle);
    void ClearIdleHandler() { SetIdleHandler({}); }

    // The window of a dialog shown here, null when there is none.
    HWND WindowOf(const CDialog& dlg) const;
    // The control's window in a dialog shown here.
    HWND ControlWindow(const CDialog& dlg, int id) const;
    // The pop-up menu shown, null when none; the menu as the dialog gave it,
    // and where.  The serial counts the menus shown.
    HMENU OpenMenu() const { return openMenu_; }
    const PopupMenu* ShownMenu() const { return shownMenu_; }
    Point MenuPoint() const { return menuPoint_; }
    int MenuSerial() const { return menuSerial_; }
    // The message box shown: its text, caption and flags; the serial counts
    // the boxes shown.
    struct Box {
        Text text, caption;
        unsigned flags = 0;
    };
    const Box& ShownBox() const { return box_; }
    int BoxSerial() const { return boxSerial_; }
    // Processes what waits in the queue as the dialog's loop does, so that
    // input posted to its windows has reached the dialog on return (or the
    // dialog has ended).
    void Pump(const CDialog& dlg);
    // The control that has the focus in a dialog shown here, 0 for none.
    int FocusedControl(const CDialog& dlg) const;
    // The window that owns what has no dialog to own it (a message box shown
    // with no dialog open) while an idle handler is set.
    HWND IdleOwner() const { return idleOwner_; }

    // A loop waits: kind MSGF_DIALOGBOX for a message box, MSGF_MENU.
    bool OnEnterIdle(WPARAM kind, LPARAM window);

  private:
    friend class DialogWindow;
    DialogWindow* Innermost() const { return stack_.empty() ? nullptr : stack_.back(); }
    static LRESULT CALLBACK IdleOwnerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    HINSTANCE module_;
    std::vector<DialogWindow*> stack_;
    IdleHandler idle_;
    HWND idleOwner_ = nullptr;
    HMENU openMenu_ = nullptr;
    const PopupMenu* shownMenu_ = nullptr;
    Point menuPoint_;
    int menuSerial_ = 0;
    Box box_;
    int boxSerial_ = 0;
};

}  // namespace qz::ui::win32
