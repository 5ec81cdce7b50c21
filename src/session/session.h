// The player of session scripts.  Every verb lives once, in one table: how
// it parses, what it does and what it checks.  A backend gives the session
// only the user's primitive actions and the read-backs (ui::UserActions),
// and calls it where it waits for the user (ui::UserStandIn), so that every
// backend plays a script the same way.
#pragma once

#include <cstddef>
#include <cstdio>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "base/text.h"
#include "session/script.h"
#include "ui/user.h"

namespace qz::session {

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
    ui::Point screen;
    int chosen = 0;
};

// The buttons a message box of these flags offers, in their order.
std::vector<int> MessageBoxButtons(unsigned flags);

// A session: the steps to play, and what was shown and went wrong while
// they were played.  Nothing waits for input: a dialog, message box or menu
// that finds the session at its end, or a step that cannot be played,
// records an error and is closed with Cancel (its closing answer, no
// command), and so is everything after it.
class Session : public ui::UserStandIn {
  public:
    explicit Session(ui::UserActions& user) : user_(user) {}

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
    void PlayAtDialog(ui::CDialog& dlg) override;
    // Plays the steps up to the box's answer and presses its button (the
    // closing answer when the session cannot go on).
    void PlayAtMessageBox(TextView text, TextView caption, unsigned flags) override;
    // Plays the steps up to the menu's choice and picks it (0: dismissed).
    void PlayAtMenu(const ui::PopupMenu& menu, ui::Point screen) override;

    struct Stage;  // where a step is played; the verbs' business

  private:
    void Fail(int line, const std::string& what);
    void Note(const std::string& line);
    // Plays code and checks up to the next step for `at` and plays that;
    // false when the session is at its end or has failed.
    bool Take(Stage& at);
    void Run(const Step& step, Stage& at);

    ui::UserActions& user_;
    std::deque<Step> steps_;
    int nextLine_ = 1;
    int lastLine_ = 0;
    bool failed_ = false;
    std::vector<std::string> errors_;
    std::vector<ShownBox> boxes_;
    std::vector<ShownMenu> menus_;
    std::FILE* transcript_ = nullptr;
};

}  // namespace qz::session
