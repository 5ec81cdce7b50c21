// What a stand-in for the user (a session script, a test) needs of a
// backend: the user's primitive actions and the read-backs of what the user
// sees; and what a backend without a user calls where it waits for one.
// Which control a step names, what refuses it and what a check compares is
// the stand-in's business.
#pragma once

#include "base/text.h"
#include "ui/dialog.h"
#include "ui/keys.h"
#include "ui/menu.h"

namespace qz::ui {

class UserActions {
  public:
    virtual ~UserActions() = default;

    // ---- on the open dialog; points are the dialog's client pixels ------
    virtual void Focus(CDialog& dlg, int id) = 0;
    // Replaces an edit field's text, as typing over it does.
    virtual void ReplaceText(CDialog& dlg, int id, TextView text) = 0;
    virtual void Click(CDialog& dlg, int id) = 0;  // a push or radio button
    // Presses and releases a key where the focus is; false when this backend
    // does not play what the key does there.
    virtual bool PressKey(CDialog& dlg, const KeyStroke& key) = 0;
    virtual void ClickCloseBox(CDialog& dlg) = 0;
    virtual void DropDown(CDialog& dlg, int id) = 0;
    virtual void SelectListItem(CDialog& dlg, int id, int index) = 0;
    virtual void SelectTreeItem(CDialog& dlg, int id, TreeItem item) = 0;
    // The mouse over a grid: moved, left button pressed, released (the
    // click), and the double click that follows a click.
    virtual void MoveMouse(CDialog& dlg, int id, Point client) = 0;
    virtual void PressMouse(CDialog& dlg, int id, Point client) = 0;
    virtual void ReleaseMouse(CDialog& dlg, int id) = 0;
    virtual void DoubleClick(CDialog& dlg, int id) = 0;
    virtual void ScrollGrid(CDialog& dlg, int id, int topRow) = 0;
    virtual void ScrollGridColumns(CDialog& dlg, int id, int leftCol) = 0;
    virtual void ReleaseRightButton(CDialog& dlg, int id, Point client) = 0;

    // ---- the message box and the menu shown: each gets exactly one ------
    virtual void PressButton(int button) = 0;    // kIdOk, kIdYes, ...
    virtual void PickMenuItem(int command) = 0;  // 0 dismisses the menu

    // Saves what a control's area of the dialog shows (a plot's placeholder)
    // as a PNG file; false when it cannot.
    virtual bool SavePicture(CDialog& dlg, int id, TextView file) = 0;

    // ---- read-backs: the dialog's model, unless a backend with windows
    // reads what they show ------------------------------------------------
    virtual Text Caption(const CDialog& dlg) const { return dlg.GetWindowText(); }
    // Null when the dialog has no such control.
    virtual const Control* ShownControl(const CDialog& dlg, int id) const {
        return dlg.FindControl(id);
    }
    virtual int FocusedControl(const CDialog& dlg) const { return dlg.GetFocusId(); }
};

// Acts for the user where a backend waits for one.
class UserStandIn {
  public:
    virtual ~UserStandIn() = default;
    // Acts once on the dialog, or ends it with Cancel when it cannot: the
    // backend calls it until the dialog has ended.
    virtual void PlayAtDialog(CDialog& dlg) = 0;
    // Presses one of the box's buttons (UserActions::PressButton).
    virtual void PlayAtMessageBox(TextView text, TextView caption, unsigned flags) = 0;
    // Picks one of the menu's commands or dismisses it (UserActions::PickMenuItem).
    virtual void PlayAtMenu(const PopupMenu& menu, Point screen) = 0;
};

}  // namespace qz::ui
