// Inside the session layer: the verb table as the script reader and the
// player use it, and the words both write of message boxes and menus.
#pragma once

#include <string>
#include <vector>

#include "session/session.h"

namespace qz::session {

struct Session::Stage {
    ui::UserActions& user;
    const Session& session;
    StepContext context;
    std::string waiting;                  // what waits for the user, for messages
    ui::CDialog* dlg = nullptr;           // kDialog: the dialog waiting
    const ui::PopupMenu* menu = nullptr;  // kMenu: the menu shown
    unsigned boxFlags = 0;                // kMessageBox: the box's buttons and icon
    int outcome = 0;                      // the box's button or the menu's command
    bool done = false;                    // the box or menu has its answer

    // The dialog still waits and the session goes on.
    bool Still() const { return !dlg->IsEnded() && !session.Failed(); }
};

// A step the user would be refused: a hidden or disabled control, a greyed
// item, a cell scrolled away.  expect-refused wants one.
struct Refused {
    std::string what;
};
// A step that names what is not there to act on, or a check that does not
// hold: the script's fault either way.
struct Wrong {
    std::string what;
};

[[noreturn]] void ParseFail(int line, const std::string& what);

// A line's words as a step of its verb; SessionError when they are not one.
Step ParseStep(std::vector<Text> words, int line);
// Plays a step by its verb; throws Refused or Wrong.
void PlayStep(const Step& step, Session::Stage& at);

// A text in double quotes, as the transcript and the messages write it.
std::string Quote(TextView text);
const char* AnswerWord(int id);
// The answer a box gets when it is closed unanswered.
int ClosingAnswer(unsigned flags);
const char* IconWord(unsigned flags);
Text MenuText(const res::MenuTemplate& menu, int command);

}  // namespace qz::session
