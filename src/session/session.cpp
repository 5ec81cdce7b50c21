#include "session/session.h"

#include <algorithm>

#include "session/verbs.h"

namespace qz::session {

using namespace ui;

// ---- playing ----------------------------------------------------------------

void Session::Play(TextView script) {
    std::vector<Step> steps = ParseSession(script, nextLine_);
    nextLine_ += int(std::count(script.begin(), script.end(), u'\n')) + 1;
    for (auto& s : steps) steps_.push_back(std::move(s));
}

void Session::Call(std::function<void()> code) {
    Step s;
    s.line = nextLine_++;
    s.verb = "call";
    s.call = std::move(code);
    steps_.push_back(std::move(s));
}

void Session::Reset() {
    steps_.clear();
    nextLine_ = 1;
    lastLine_ = 0;
    failed_ = false;
    errors_.clear();
    boxes_.clear();
    menus_.clear();
}

bool Session::Finish() {
    Stage at{user_, *this, StepContext::kAny, "nothing"};
    while (!failed_ && !steps_.empty() && steps_.front().IsCheck()) {
        Step s = std::move(steps_.front());
        steps_.pop_front();
        if (s.call)
            s.call();
        else
            Run(s, at);
    }
    if (!failed_ && !steps_.empty())
        Fail(steps_.front().line,
             "'" + steps_.front().verb + "' was never played: no dialog was open");
    steps_.clear();
    // What waits for the user from now on finds no session, and no line of
    // this one to name.
    lastLine_ = 0;
    bool ok = Ok();
    failed_ = false;
    return ok;
}

void Session::Note(const std::string& line) {
    if (transcript_) std::fprintf(transcript_, "%s\n", line.c_str());
}

void Session::Fail(int line, const std::string& what) {
    failed_ = true;
    std::string error = line > 0 ? "line " + std::to_string(line) + ": " + what : what;
    errors_.push_back(error);
    Note("session: " + error);
}

bool Session::Take(Stage& at) {
    while (!failed_) {
        if (steps_.empty()) {
            Fail(lastLine_, lastLine_ ? "the session ends here while " + at.waiting + " is open"
                                      : "no session: " + at.waiting + " was closed unanswered");
            break;
        }
        Step s = std::move(steps_.front());
        steps_.pop_front();
        lastLine_ = s.line;
        if (s.call) {
            s.call();
            continue;
        }
        if (s.IsCheck()) {
            Run(s, at);
            continue;
        }
        if (s.Context() != at.context) {
            Fail(s.line, "'" + s.verb + "' cannot be played while " + at.waiting + " is open");
            break;
        }
        Run(s, at);
        return true;
    }
    return false;
}

void Session::Run(const Step& step, Stage& at) {
    try {
        PlayStep(step, at);
    } catch (const Refused& r) {
        if (!step.mustBeRefused) Fail(step.line, r.what);
        return;
    } catch (const Wrong& w) {
        Fail(step.line, w.what);
        return;
    }
    if (step.mustBeRefused) Fail(step.line, "'" + step.verb + "' was played: it was not refused");
}

void Session::PlayAtDialog(CDialog& dlg) {
    Stage at{user_, *this, StepContext::kDialog, "dialog " + std::to_string(dlg.TemplateId())};
    at.dlg = &dlg;
    if (!Take(at)) dlg.EndDialog(kIdCancel);
}

void Session::PlayAtMessageBox(TextView text, TextView caption, unsigned flags) {
    std::size_t index = boxes_.size();
    boxes_.push_back({Text(text), Text(caption), flags, 0});
    Note("message box " + Quote(caption) + " (" + IconWord(flags) + "): " + Quote(text));
    Stage at{user_, *this, StepContext::kMessageBox, "the message box " + Quote(text)};
    at.boxFlags = flags;
    while (!at.done && Take(at)) {
    }
    int answer = at.done ? at.outcome : ClosingAnswer(flags);
    boxes_[index].answer = answer;
    Note(std::string("  answered ") + AnswerWord(answer));
    user_.PressButton(answer);
}

void Session::PlayAtMenu(const PopupMenu& menu, Point screen) {
    const res::MenuTemplate& t = menu.Template();
    ShownMenu shown{t.id, {}, screen, 0};
    for (const auto& item : t.items)
        if (item.command != 0 && menu.IsGreyed(item.command)) shown.greyed.push_back(item.command);
    std::size_t index = menus_.size();
    menus_.push_back(shown);
    Note("menu " + std::to_string(t.id) + " at " + std::to_string(screen.x) + "," +
         std::to_string(screen.y));
    Stage at{user_, *this, StepContext::kMenu, "menu " + std::to_string(t.id)};
    at.menu = &menu;
    while (!at.done && Take(at)) {
    }
    int chosen = at.done ? at.outcome : 0;
    menus_[index].chosen = chosen;
    if (chosen) Note("  chose " + Quote(MenuText(t, chosen)));
    user_.PickMenuItem(chosen);
}

}  // namespace qz::session
