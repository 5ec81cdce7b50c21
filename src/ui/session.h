// Session scripts: a user's actions and the checks on what the dialogs
// show, one per line (see docs/session-scripts.md).  Every verb lives once,
// in one table: how it parses, what it does and what it checks.  A backend
// gives the session only the user's primitive actions and the read-backs
// (SessionUser), and calls it where it waits for the user, so that every
// backend plays a script the same way.
#pragma once

#include <cstddef>
#include <cstdio>
#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/text.h"
#include "ui/dialog.h"
#include "ui/keys.h"
#include "ui/menu.h"

namespace qz::ui {

// A script that does not parse; the message names the line.
struct SessionError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Where a step can be played.
enum class StepContext {
    kDialog,      // acts on the innermost open dialog
    kMessageBox,  // answers the message box shown
    kMenu,        // picks from the pop-up menu shown
    kAny,         // a check, or code: wherever the session stands
};

struct Step {
    int line = 0;
    std::string verb;
    std::vector<Text> args;
    std::function<void()> call;  // verb "call": code run in place (tests)
    bool mustBeRefused = false;  // written after expect-refused

    StepContext Context() const;
    bool IsCheck() const { return Context() == StepContext::kAny; }
    // The argument as a whole number; SessionError naming the line otherwise.
    int IntArg(std::size_t index) const;
    std::string Describe() const;  // the step as a script line
};

// A whole number written as a script word.
bool ParseWholeNumber(TextView text, int& value);

// Scripts are written by hand: a longer one (an endless file, say) is refused
// before it fills the memory.  In UTF-16 code units.
inline constexpr std::size_t kMaxSessionScript = std::size_t(1) << 20;

// Parses a script; line numbers count from `firstLine`.  A byte-order mark
// at its start is skipped.
std::vector<Step> ParseSession(TextView script, int firstLine = 1);

// The verbs, for documentation and error messages.
std::vector<std::string> SessionVerbs();

// A message box as it was shown, and the button that closed it.
struct ShownBox {
    Text text, caption;
    unsigned flags = 0;
    int answer = 0;
};

// A pop-up menu as it was shown, and the command chosen (0: none).
struct ShownMenu {
    int menuId = 0;
    std::vector<int> greyed;
    Point screen;
    int chosen = 0;
};

// The buttons a message box of these flags offers, in their order.
std::vector<int> MessageBoxButtons(unsigned flags);

// What a backend does for a session: the user's primitive actions, and the
// read-backs of what the user sees.  Which control a step names, what
// refuses it and what a check compares is the session's business.
class SessionUser {
  public:
    virtual ~SessionUser() = default;

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

// A session: the steps to play, and what was shown and went wrong while
// they were played.  Nothing waits for input: a dialog, message box or menu
// that finds the session at its end, or a step that cannot be played,
// records an error and is closed with Cancel (its closing answer, no
// command), and so is everything after it.
class Session {
  public:
    explicit Session(SessionUser& user) : user_(user) {}

    // Appends a script's steps; SessionError names a line that does not parse.
    void Play(TextView script);
    void Play(const char* scriptUtf8) { Play(FromUtf8(scriptUtf8)); }
    // Appends code to run at this point of the session.
    void Call(std::function<void()> code);

    // Ends the session: a step left unplayed is an error.  True when every
    // step was played and every check held.
    bool Finish();
    // Forgets the steps, the errors and what was shown.
    void Reset();
    bool Ok() const { return errors_.empty(); }
    bool Failed() const { return failed_; }
    const std::vector<std::string>& Errors() const { return errors_; }
    const std::vector<ShownBox>& Messages() const { return boxes_; }
    const std::vector<ShownMenu>& Menus() const { return menus_; }
    // Message boxes, menus and errors are also written there (null: nowhere).
    void SetTranscript(std::FILE* out) { transcript_ = out; }

    // ---- called by the backend where it waits for the user ---------------
    // Plays the checks and code that come next and one step on the dialog;
    // when the session cannot go on, ends the dialog with Cancel.
    void PlayAtDialog(CDialog& dlg);
    // Plays the steps up to the box's answer and presses its button (the
    // closing answer when the session cannot go on).
    void PlayAtMessageBox(TextView text, TextView caption, unsigned flags);
    // Plays the steps up to the menu's choice and picks it (0: dismissed).
    void PlayAtMenu(const PopupMenu& menu, Point screen);

    struct Stage;  // where a step is played; the verbs' business

  private:
    void Fail(int line, const std::string& what);
    void Note(const std::string& line);
    // Plays code and checks up to the next step for `at` and plays that;
    // false when the session is at its end or has failed.
    bool Take(Stage& at);
    void Run(const Step& step, Stage& at);

    SessionUser& user_;
    std::deque<Step> steps_;
    int nextLine_ = 1;
    int lastLine_ = 0;
    bool failed_ = false;
    std::vector<std::string> errors_;
    std::vector<ShownBox> boxes_;
    std::vector<ShownMenu> menus_;
    std::FILE* transcript_ = nullptr;
};

}  // namespace qz::ui
