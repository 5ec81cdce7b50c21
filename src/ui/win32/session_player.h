// Session scripts on the Windows user interface: every step becomes the
// window messages a user's input would produce (focus changes, typed
// characters, clicks at the controls' pixels, keys, list and tree choices
// with their notifications, right-button releases, message box buttons and
// menu keys), played whenever a loop waits for the user, and every check
// reads the real controls back.
#pragma once

#include <map>
#include <memory>
#include <utility>

#include "ui/session.h"
#include "ui/win32/win32_backend.h"

namespace qz::ui::win32 {

class SessionPlayer : private SessionUser, public Session {
  public:
    explicit SessionPlayer(Win32Backend& ui);
    ~SessionPlayer() override;
    SessionPlayer(const SessionPlayer&) = delete;
    SessionPlayer& operator=(const SessionPlayer&) = delete;

    // While attached, the session plays the user at the backend's dialogs,
    // message boxes and menus.
    void Attach();
    void Detach();

  private:
    void Focus(CDialog& dlg, int id) override;
    void ReplaceText(CDialog& dlg, int id, TextView text) override;
    void Click(CDialog& dlg, int id) override;
    bool PressKey(CDialog& dlg, const KeyStroke& key) override;
    void ClickCloseBox(CDialog& dlg) override;
    void DropDown(CDialog& dlg, int id) override;
    void SelectListItem(CDialog& dlg, int id, int index) override;
    void SelectTreeItem(CDialog& dlg, int id, TreeItem item) override;
    void MoveMouse(CDialog& dlg, int id, Point client) override;
    void PressMouse(CDialog& dlg, int id, Point client) override;
    void ReleaseMouse(CDialog& dlg, int id) override;
    void DoubleClick(CDialog& dlg, int id) override;
    void ScrollGrid(CDialog& dlg, int id, int topRow) override;
    void ScrollGridColumns(CDialog& dlg, int id, int leftCol) override;
    void ReleaseRightButton(CDialog& dlg, int id, Point client) override;
    void PressButton(int button) override;
    void PickMenuItem(int command) override;
    bool SavePicture(CDialog& dlg, int id, TextView file) override;

    Text Caption(const CDialog& dlg) const override;
    const Control* ShownControl(const CDialog& dlg, int id) const override;
    int FocusedControl(const CDialog& dlg) const override;

    HWND Window(const CDialog& dlg, int id) const;
    // A control's point (the dialog's client pixels) in its own window.
    LPARAM At(const CDialog& dlg, int id, Point client) const;
    // Posts a message to a control of the dialog and lets the dialog take it.
    void Post(CDialog& dlg, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    Win32Backend& ui_;
    HWND box_ = nullptr;
    int playedBox_ = 0, playedMenu_ = 0;
    Point mouse_;  // the grid's point of the last mouse event
    mutable std::map<std::pair<const CDialog*, int>, std::unique_ptr<Control>> shown_;
};

}  // namespace qz::ui::win32
