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

#include "session/session.h"
#include "ui/win32/win32_backend.h"

namespace qz::session::win32 {

class SessionPlayer : private ui::UserActions, public Session {
  public:
    explicit SessionPlayer(ui::win32::Win32Backend& ui);
    ~SessionPlayer() override;
    SessionPlayer(const SessionPlayer&) = delete;
    SessionPlayer& operator=(const SessionPlayer&) = delete;

    // While attached, the session plays the user at the backend's dialogs,
    // message boxes and menus.
    void Attach();
    void Detach();

  private:
    void Focus(ui::CDialog& dlg, int id) override;
    void ReplaceText(ui::CDialog& dlg, int id, TextView text) override;
    void Click(ui::CDialog& dlg, int id) override;
    bool PressKey(ui::CDialog& dlg, const ui::KeyStroke& key) override;
    void ClickCloseBox(ui::CDialog& dlg) override;
    void DropDown(ui::CDialog& dlg, int id) override;
    void SelectListItem(ui::CDialog& dlg, int id, int index) override;
    void SelectTreeItem(ui::CDialog& dlg, int id, ui::TreeItem item) override;
    void MoveMouse(ui::CDialog& dlg, int id, ui::Point client) override;
    void PressMouse(ui::CDialog& dlg, int id, ui::Point client) override;
    void ReleaseMouse(ui::CDialog& dlg, int id) override;
    void DoubleClick(ui::CDialog& dlg, int id) override;
    void ScrollGrid(ui::CDialog& dlg, int id, int topRow) override;
    void ScrollGridColumns(ui::CDialog& dlg, int id, int leftCol) override;
    void ReleaseRightButton(ui::CDialog& dlg, int id, ui::Point client) override;
    void PressButton(int button) override;
    void PickMenuItem(int command) override;
    bool SavePicture(ui::CDialog& dlg, int id, TextView file) override;

    Text Caption(const ui::CDialog& dlg) const override;
    const ui::Control* ShownControl(const ui::CDialog& dlg, int id) const override;
    int FocusedControl(const ui::CDialog& dlg) const override;

    HWND Window(const ui::CDialog& dlg, int id) const;
    // A control's point (the dialog's client pixels) in its own window.
    LPARAM At(const ui::CDialog& dlg, int id, ui::Point client) const;
    // Posts a message to a control of the dialog and lets the dialog take it.
    void Post(ui::CDialog& dlg, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    ui::win32::Win32Backend& ui_;
    HWND box_ = nullptr;
    int playedBox_ = 0, playedMenu_ = 0;
    ui::Point mouse_;  // the grid's point of the last mouse event
    mutable std::map<std::pair<const ui::CDialog*, int>, std::unique_ptr<ui::Control>> shown_;
};

}  // namespace qz::session::win32
