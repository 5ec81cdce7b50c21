// The backend without a screen: dialogs run on the model alone, and the
// user's actions come from a session (a script, or steps added by a test).
// Nothing waits for input: a dialog, message box or menu that finds the
// session at its end, or a step that cannot be played, records an error and
// is closed with Cancel (No, or no command), and so is everything after it.
#pragma once

#include <cstdio>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ui/backend.h"
#include "ui/session.h"

namespace qz::ui::headless {

struct ShownBox {
    Text text, caption;
    unsigned flags = 0;
    int answer = 0;
};

struct ShownMenu {
    int menuId = 0;
    std::vector<int> greyed;
    Point screen;
    int chosen = 0;
};

class HeadlessBackend : public Backend {
  public:
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
    const std::vector<std::string>& Errors() const { return errors_; }
    const std::vector<ShownBox>& Messages() const { return boxes_; }
    const std::vector<ShownMenu>& Menus() const { return menus_; }
    // Message boxes, menus and errors are also written there (null: nowhere).
    void SetTranscript(std::FILE* out) { transcript_ = out; }

    void RunModal(CDialog& dlg) override;
    int MessageBox(TextView text, TextView caption, unsigned flags) override;
    int TrackPopupMenu(const PopupMenu& menu, Point screen, CDialog& owner) override;

  private:
    struct Refused {
        std::string what;
    };
    void Fail(int line, const std::string& what);
    // Takes the next step for a context; checks and code run on the way.
    // False when the session is at its end or has failed.
    bool Next(StepContext context, const std::string& waiting, Step& step);
    void Perform(const Step& step, CDialog& dlg);
    void Check(const Step& step);
    void Note(const std::string& line);

    std::deque<Step> steps_;
    int nextLine_ = 1;
    int lastLine_ = 0;
    bool failed_ = false;
    std::vector<std::string> errors_;
    std::vector<ShownBox> boxes_;
    std::vector<ShownMenu> menus_;
    const PopupMenu* openMenu_ = nullptr;
    std::FILE* transcript_ = nullptr;
};

}  // namespace qz::ui::headless
