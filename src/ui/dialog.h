// The base of every dialog: controls built from the dialog's template, data
// exchange between members and controls, and the user's input routed to
// the dialog's handlers.  Backends call the Input... operations; dialogs
// override the On... handlers.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "base/msgbox.h"
#include "base/text.h"
#include "resources/templates.h"
#include "ui/control.h"
#include "ui/menu.h"

namespace qz::ui {

class CDialog;

// Direction and target of one data exchange.
struct CDataExchange {
    CDialog* dlg;
    bool bSaveAndValidate;  // true: controls to members
};

void DDX_Text(CDataExchange& dx, int id, Text& value);
template <std::size_t N>
void DDX_Text(CDataExchange& dx, int id, TextField<N>& value) {
    Text t = value.str();
    DDX_Text(dx, id, t);
    value = t;
}
// The index of the checked radio button of the group that starts at `firstId`; -1 for none.
void DDX_Radio(CDataExchange& dx, int firstId, int& value);
// The selected item of a drop-down list.
void DDX_CBIndex(CDataExchange& dx, int id, int& index);

enum class Key { kEnter, kEscape };

class CDialog {
  public:
    explicit CDialog(int templateId);
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog modally on the active backend; kIdOk or kIdCancel.
    int DoModal();
    // Ends the modal run once the current handler returns.
    void EndDialog(int result);

    const res::DialogTemplate& Template() const { return *tmpl_; }
    int TemplateId() const { return tmpl_->id; }
    bool IsRunning() const { return running_; }
    bool IsEnded() const { return ended_; }
    int Result() const { return result_; }

    // Controls by id.  An id the template does not have is a programming
    // error (std::logic_error).
    Control* FindControl(int id);
    const Control* FindControl(int id) const;
    Control& Item(int id);
    const Control& Item(int id) const;
    std::vector<Control>& Controls() { return controls_; }
    const std::vector<Control>& Controls() const { return controls_; }

    Text GetWindowText() const { return caption_; }
    void SetWindowText(TextView caption) { caption_ = Text(caption); }
    Text GetDlgItemText(int id) const;
    void SetDlgItemText(int id, TextView text);
    void EnableItem(int id, bool enable);
    bool IsItemEnabled(int id) const;
    void ShowItem(int id, bool show);
    bool IsItemVisible(int id) const;

    // Drop-down lists.
    void ListResetContent(int id);
    int ListAddString(int id, TextView text);
    int ListGetCount(int id) const;
    Text ListGetText(int id, int index) const;
    int ListGetCurSel(int id) const;
    // -1 or an index out of range selects nothing.
    void ListSetCurSel(int id, int index);
    // After Enter applied the focused field: its whole text selected, so the
    // next number typed replaces it.
    void SelectFocusedText();

    // Radio buttons: checks `checkId` and clears the others of first..last.
    void CheckRadioButton(int firstId, int lastId, int checkId);
    bool IsButtonChecked(int id) const;
    // The radio buttons of the group a radio button belongs to.
    std::vector<Control*> RadioGroupOf(int id);

    CTreeModel& Tree(int id);
    // Selects an item and notifies the dialog, as the platform does for a
    // selection made by the program.
    void TreeSelectItem(int id, TreeItem item);
    CMSFlexGrid& Grid(int id);

    // The row a dialog calls current in one of its grids, for the checks of
    // a session: a dialog that keeps one binds it here, for its lifetime.
    void ExposeCurrentRow(int gridId, const int& row);
    std::optional<int> CurrentRow(int gridId) const;

    int GetFocusId() const { return focus_; }
    // Moves the focus, with the notifications.
    void GotoDlgCtrl(int id);

    // false: members to controls; true: controls to members.
    void UpdateData(bool saveAndValidate = true);

    int MessageBox(TextView text, TextView caption = kModuleName, unsigned flags = kMbOk);
    // Shows the menu; the command chosen reaches OnCommand once the current
    // handler has returned.
    void TrackPopupMenu(const PopupMenu& menu, Point screen);
    Point ClientToScreen(Point p) const { return {p.x + origin_.x, p.y + origin_.y}; }
    Point ScreenToClient(Point p) const { return {p.x - origin_.x, p.y - origin_.y}; }

    // ---- Input, called by the backend as the user acts ----------------
    // The controls exist: OnInitDialog, then the focus on the first
    // tab-stop control unless the dialog placed it.
    void InputStart();
    // The focus moved to `id` (0: away from every control).
    void InputFocus(int id);
    // The user replaced an edit's text (no notification).
    void InputEditText(int id, TextView text);
    // A button was clicked, or a command was chosen.
    void InputCommand(int id);
    void InputKey(Key key);
    // The window's close box.
    void InputClose();
    void InputDropDown(int id);
    // The user selected a list item.
    void InputListSelect(int id, int index);
    void InputTreeSelect(int id, TreeItem item);
    // The mouse in a grid, in client pixels of the dialog.
    void InputGridMouseMove(int id, Point client);
    void InputGridMouseDown(int id, Point client);
    void InputGridClick(int id);
    void InputGridDblClick(int id);
    void InputGridScroll(int id, int topRow);
    void InputGridScrollColumns(int id, int leftCol);
    // A key that reaches the grid with the focus.
    void InputGridKey(int id, const KeyStroke& key);
    // The right button released over a control, before dispatch: the
    // dialog may consume it.  `screen` is the release point.
    bool InputRightButtonUp(int id, Point screen);
    void InputDestroy();
    void SetScreenOrigin(Point origin) { origin_ = origin; }

    // ---- drawing: the dialog's own pictures (its plots) ------------------
    // The surface the backend paints the dialog on: a dialog makes its
    // off-screen layers compatible with it.  Made when first asked for, by
    // what the backend gave before InputStart, and kept with the dialog;
    // null when the backend gives none.
    gfx::CCanvas* Surface();
    void SetSurfaceMaker(std::function<std::unique_ptr<gfx::CCanvas>()> make) {
        makeSurface_ = std::move(make);
    }
    // Asks the backend to paint the client area again.
    void Invalidate() { invalidated_ = true; }
    // Whether a repaint was asked for since the last call.
    bool TakeInvalidated() { return std::exchange(invalidated_, false); }
    // The backend paints: the dialog draws through `dc` in client pixels.
    void InputPaint(gfx::CCanvas& dc);

  protected:
    virtual void DoDataExchange(CDataExchange&) {}
    // Returns true to let the dialog manager place the focus.
    virtual bool OnInitDialog();
    // Enter, and the command IDOK: takes the controls and ends with OK.
    virtual void OnOK();
    // Escape, and the command IDCANCEL: ends with Cancel.
    virtual void OnCancel();
    // The close box: ends with Cancel.
    virtual void OnClose();
    virtual void OnCommand(int) {}
    virtual void OnSetFocus(int) {}
    virtual void OnKillFocus(int) {}
    virtual void OnSelChange(int) {}
    virtual void OnDropDown(int) {}
    virtual void OnTreeSelChanged(int) {}
    virtual void OnGridEvent(int, int /*event*/) {}
    virtual bool OnRightButtonUp(int, Point /*screen*/) { return false; }
    // A key the grid with the focus has no use for.
    virtual void OnGridKey(int, const KeyStroke&) {}
    virtual void OnDestroy() {}
    virtual void OnPaint(gfx::CCanvas&) {}

  private:
    // Runs a handler; an error it raises ends it and is shown in a message
    // box, and the dialog stays open.
    void Dispatch(const std::function<void()>& handler);
    void DrainPosted();
    void RouteCommand(int id);

    const res::DialogTemplate* tmpl_;
    Text caption_;
    std::vector<Control> controls_;
    int focus_ = 0;
    bool running_ = false, ended_ = false;
    int result_ = 0;
    std::vector<int> posted_;
    Point origin_;
    std::vector<std::pair<int, const int*>> currentRows_;
    std::function<std::unique_ptr<gfx::CCanvas>()> makeSurface_;
    std::unique_ptr<gfx::CCanvas> surface_;
    bool invalidated_ = false;
};

// The dialogs open at the moment, innermost last.
const std::vector<CDialog*>& OpenDialogs();

}  // namespace qz::ui
