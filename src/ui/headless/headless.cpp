#include "ui/headless/headless.h"

#include <algorithm>

#include "ui/dialog.h"
#include "ui/menu.h"

namespace qz::ui::headless {

namespace {

std::string Quote(TextView text) {
    std::string s = ToUtf8Lossy(text), out = "\"";
    for (char c : s) {
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '"' || c == '\\')
            out += std::string("\\") + c;
        else
            out += c;
    }
    return out + "\"";
}

struct Answer {
    const char* word;
    int id;
};
constexpr Answer kAnswers[] = {
    {"ok", kIdOk}, {"cancel", kIdCancel}, {"yes", kIdYes}, {"no", kIdNo}};

// The buttons of a box and the answer it gets when it is closed unanswered.
std::vector<int> Buttons(unsigned flags) {
    switch (flags & 0x0F) {
        case 0x01:
            return {kIdOk, kIdCancel};
        case 0x03:
            return {kIdYes, kIdNo, kIdCancel};
        case 0x04:
            return {kIdYes, kIdNo};
        default:
            return {kIdOk};
    }
}
int ClosingAnswer(unsigned flags) {
    switch (flags & 0x0F) {
        case 0x01:
        case 0x03:
            return kIdCancel;
        case 0x04:
            return kIdNo;
        default:
            return kIdOk;
    }
}
const char* AnswerWord(int id) {
    for (const auto& a : kAnswers)
        if (a.id == id) return a.word;
    return "?";
}

constexpr struct {
    const char* word;
    unsigned icon;
} kIcons[] = {
    {"none", 0}, {"error", 0x10}, {"question", 0x20}, {"warning", 0x30}, {"information", 0x40}};

const char* IconWord(unsigned flags) {
    for (const auto& i : kIcons)
        if (i.icon == (flags & 0xF0)) return i.word;
    return "?";
}

std::string ControlName(int id) {
    return "control " + std::to_string(id);
}

// The command an argument names: its number, or the item's text.
int MenuCommand(const res::MenuTemplate& menu, TextView arg) {
    int value = 0;
    if (ParseWholeNumber(arg, value)) return value;
    for (const auto& item : menu.items)
        if (item.command != 0 && arg == item.text) return item.command;
    return 0;
}

Text MenuText(const res::MenuTemplate& menu, int command) {
    for (const auto& item : menu.items)
        if (item.command == command && item.command != 0) return item.text;
    return {};
}

}  // namespace

void HeadlessBackend::Play(TextView script) {
    std::vector<Step> steps = ParseSession(script, nextLine_);
    nextLine_ += int(std::count(script.begin(), script.end(), u'\n')) + 1;
    for (auto& s : steps) steps_.push_back(std::move(s));
}

void HeadlessBackend::Call(std::function<void()> code) {
    Step s;
    s.line = nextLine_++;
    s.verb = "call";
    s.call = std::move(code);
    steps_.push_back(std::move(s));
}

void HeadlessBackend::Reset() {
    steps_.clear();
    nextLine_ = 1;
    lastLine_ = 0;
    failed_ = false;
    errors_.clear();
    boxes_.clear();
    menus_.clear();
    openMenu_ = nullptr;
}

bool HeadlessBackend::Finish() {
    while (!failed_ && !steps_.empty() && steps_.front().IsCheck()) {
        Step s = std::move(steps_.front());
        steps_.pop_front();
        if (s.call)
            s.call();
        else
            Check(s);
    }
    if (!failed_ && !steps_.empty())
        Fail(steps_.front().line,
             "'" + steps_.front().verb + "' was never played: no dialog was open");
    steps_.clear();
    return Ok();
}

void HeadlessBackend::Note(const std::string& line) {
    if (transcript_) std::fprintf(transcript_, "%s\n", line.c_str());
}

void HeadlessBackend::Fail(int line, const std::string& what) {
    failed_ = true;
    std::string error = line > 0 ? "line " + std::to_string(line) + ": " + what : what;
    errors_.push_back(error);
    Note("session: " + error);
}

bool HeadlessBackend::Next(StepContext context, const std::string& waiting, Step& step) {
    while (!failed_) {
        if (steps_.empty()) {
            Fail(lastLine_, lastLine_ ? "the session ends here while " + waiting + " is open"
                                      : "no session: " + waiting + " was closed unanswered");
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
            Check(s);
            continue;
        }
        if (s.Context() != context) {
            Fail(s.line, "'" + s.verb + "' cannot be played while " + waiting + " is open");
            break;
        }
        step = std::move(s);
        return true;
    }
    return false;
}

// ---- the three kinds of modal input -------------------------------------

void HeadlessBackend::RunModal(CDialog& dlg) {
    dlg.InputStart();
    const std::string waiting = "dialog " + std::to_string(dlg.TemplateId());
    while (!dlg.IsEnded()) {
        Step step;
        if (!Next(StepContext::kDialog, waiting, step)) {
            dlg.EndDialog(kIdCancel);
            break;
        }
        try {
            Perform(step, dlg);
        } catch (const Refused& r) {
            Fail(step.line, r.what);
        }
    }
    dlg.InputDestroy();
}

int HeadlessBackend::MessageBox(TextView text, TextView caption, unsigned flags) {
    std::size_t index = boxes_.size();
    boxes_.push_back({Text(text), Text(caption), flags, 0});
    Note("message box " + Quote(caption) + " (" + IconWord(flags) + "): " + Quote(text));
    int answer = ClosingAnswer(flags);
    Step step;
    if (Next(StepContext::kMessageBox, "the message box " + Quote(text), step)) {
        int id = 0;
        for (const auto& a : kAnswers)
            if (ToUtf8Lossy(step.args[0]) == a.word) id = a.id;
        std::vector<int> buttons = Buttons(flags);
        if (std::ranges::find(buttons, id) == buttons.end()) {
            std::string offered;
            for (int b : buttons)
                offered += std::string(offered.empty() ? "" : ", ") + AnswerWord(b);
            Fail(step.line, "the message box has no button " + Quote(step.args[0]) +
                                " (it offers " + offered + ")");
        } else {
            answer = id;
        }
    }
    boxes_[index].answer = answer;
    Note(std::string("  answered ") + AnswerWord(answer));
    return answer;
}

int HeadlessBackend::TrackPopupMenu(const PopupMenu& menu, Point screen, CDialog&) {
    const res::MenuTemplate& t = menu.Template();
    ShownMenu shown{t.id, {}, screen, 0};
    for (const auto& item : t.items)
        if (item.command != 0 && menu.IsGreyed(item.command)) shown.greyed.push_back(item.command);
    std::size_t index = menus_.size();
    menus_.push_back(shown);
    Note("menu " + std::to_string(t.id) + " at " + std::to_string(screen.x) + "," +
         std::to_string(screen.y));
    const PopupMenu* outer = openMenu_;
    openMenu_ = &menu;
    int chosen = 0;
    Step step;
    if (Next(StepContext::kMenu, "menu " + std::to_string(t.id), step) && step.verb == "menu") {
        int command = MenuCommand(t, step.args[0]);
        if (!menu.HasCommand(command))
            Fail(step.line, "menu " + std::to_string(t.id) + " has no item " + Quote(step.args[0]));
        else if (menu.IsGreyed(command))
            Fail(step.line, "menu item " + std::to_string(command) + " " +
                                Quote(MenuText(t, command)) + " is greyed");
        else
            chosen = command;
    }
    openMenu_ = outer;
    menus_[index].chosen = chosen;
    if (chosen) Note("  chose " + Quote(MenuText(t, chosen)));
    return chosen;
}

// ---- actions --------------------------------------------------------------

void HeadlessBackend::Perform(const Step& step, CDialog& dlg) {
    const std::string& verb = step.verb;
    auto require = [&](int id) -> Control& {
        Control* c = dlg.FindControl(id);
        if (!c)
            throw Refused{"dialog " + std::to_string(dlg.TemplateId()) + " has no " +
                          ControlName(id)};
        if (!c->visible) throw Refused{ControlName(id) + " is hidden"};
        if (!c->enabled) throw Refused{ControlName(id) + " is disabled"};
        return *c;
    };
    auto still = [&] { return !dlg.IsEnded() && !failed_; };
    auto cellPoint = [&](Control& c, int row, int col) {
        Rect cell = c.grid->CellRect(row, col);
        if (cell.Width() <= 0)
            throw Refused{"row " + std::to_string(row) + ", column " + std::to_string(col) +
                          " of grid " + std::to_string(c.id) + " is not shown"};
        Point p = cell.Center();
        return Point{c.rect.left + p.x, c.rect.top + p.y};
    };
    auto requireGrid = [&](int id) -> Control& {
        Control& c = require(id);
        if (!c.grid) throw Refused{ControlName(id) + " is not a grid"};
        return c;
    };

    if (verb == "enter") {
        dlg.InputKey(Key::kEnter);
    } else if (verb == "escape") {
        dlg.InputKey(Key::kEscape);
    } else if (verb == "close") {
        dlg.InputClose();
    } else if (verb == "tab") {
        std::vector<int> order;
        for (const auto& c : dlg.Controls())
            if ((c.style & res::kTabStop) && c.TakesFocus()) order.push_back(c.id);
        if (order.empty()) throw Refused{"no control takes the focus"};
        auto it = std::ranges::find(order, dlg.GetFocusId());
        dlg.InputFocus(it == order.end() || it + 1 == order.end() ? order.front() : *(it + 1));
    } else if (verb == "focus") {
        Control& c = require(step.IntArg(0));
        if (!c.TakesFocus()) throw Refused{ControlName(c.id) + " does not take the focus"};
        dlg.InputFocus(c.id);
    } else if (verb == "type") {
        Control& c = require(step.IntArg(0));
        if (!c.IsEdit()) throw Refused{ControlName(c.id) + " is not an edit field"};
        if (c.readOnly) throw Refused{ControlName(c.id) + " is read-only"};
        int id = c.id;
        dlg.InputFocus(id);
        if (still()) dlg.InputEditText(id, step.args[1]);
    } else if (verb == "click") {
        Control& c = require(step.IntArg(0));
        if (!c.IsButton()) throw Refused{ControlName(c.id) + " is not a button"};
        int id = c.id;
        dlg.InputFocus(id);
        if (still()) dlg.InputCommand(id);
    } else if (verb == "dropdown" || verb == "pick") {
        Control& c = require(step.IntArg(0));
        if (c.kind != res::ControlKind::kDropDownList)
            throw Refused{ControlName(c.id) + " is not a drop-down list"};
        int id = c.id;
        if (verb == "dropdown") {
            dlg.InputFocus(id);
            if (still()) dlg.InputDropDown(id);
            return;
        }
        int index = -1;
        if (!ParseWholeNumber(step.args[1], index)) {
            auto it = std::ranges::find(c.items, step.args[1]);
            index = it == c.items.end() ? -1 : int(it - c.items.begin());
        }
        if (index < 0 || index >= int(c.items.size()))
            throw Refused{ControlName(id) + " has no item " + Quote(step.args[1])};
        dlg.InputFocus(id);
        if (still()) dlg.InputListSelect(id, index);
    } else if (verb == "tree") {
        Control& c = require(step.IntArg(0));
        if (!c.tree) throw Refused{ControlName(c.id) + " is not a tree"};
        TreeItem item = kTreeNone;
        for (std::size_t k = 1; k < step.args.size(); ++k) {
            TreeItem found = kTreeNone;
            for (TreeItem child : c.tree->Children(item))
                if (c.tree->GetItemText(child) == step.args[k]) {
                    found = child;
                    break;
                }
            if (found == kTreeNone) throw Refused{"the tree has no item " + Quote(step.args[k])};
            item = found;
        }
        int id = c.id;
        dlg.InputFocus(id);
        if (still()) dlg.InputTreeSelect(id, item);
    } else if (verb == "grid-click" || verb == "grid-dblclick") {
        Control& c = requireGrid(step.IntArg(0));
        Point p = cellPoint(c, step.IntArg(1), step.IntArg(2));
        int id = c.id;
        // The press moves the focus first; the grid then finds the cell
        // under the mouse in what it shows by then.
        dlg.InputGridMouseMove(id, p);
        dlg.InputFocus(id);
        if (still()) dlg.InputGridMouseDown(id, p);
        if (still()) dlg.InputGridClick(id);
        if (verb == "grid-dblclick" && still()) dlg.InputGridDblClick(id);
    } else if (verb == "grid-rclick") {
        Control& c = requireGrid(step.IntArg(0));
        Point p = cellPoint(c, step.IntArg(1), step.IntArg(2));
        dlg.InputGridMouseMove(c.id, p);
        dlg.InputRightButtonUp(c.id, dlg.ClientToScreen(p));
    } else if (verb == "grid-scroll") {
        Control& c = requireGrid(step.IntArg(0));
        dlg.InputGridScroll(c.id, step.IntArg(1));
    } else if (verb == "rclick") {
        Control& c = require(step.IntArg(0));
        dlg.InputRightButtonUp(c.id, dlg.ClientToScreen(c.rect.Center()));
    } else {
        throw Refused{"'" + verb + "' is not an action on a dialog"};
    }
}

// ---- checks ---------------------------------------------------------------

void HeadlessBackend::Check(const Step& step) {
    const std::string& verb = step.verb;
    auto fail = [&](const std::string& what) { Fail(step.line, what); };

    if (verb == "expect-message" || verb == "expect-messages") {
        if (verb == "expect-messages") {
            if (int(boxes_.size()) != step.IntArg(0))
                fail(std::to_string(boxes_.size()) + " message boxes were shown, not " +
                     ToUtf8Lossy(step.args[0]));
            return;
        }
        if (boxes_.empty()) return fail("no message box was shown");
        const ShownBox& box = boxes_.back();
        if (box.text != step.args[0])
            return fail("the message box shows " + Quote(box.text) + ", not " +
                        Quote(step.args[0]));
        if (step.args.size() > 1 && box.caption != step.args[1])
            return fail("the message box's caption is " + Quote(box.caption) + ", not " +
                        Quote(step.args[1]));
        if (step.args.size() > 2 && IconWord(box.flags) != ToUtf8Lossy(step.args[2]))
            return fail(std::string("the message box's icon is ") + IconWord(box.flags) + ", not " +
                        ToUtf8Lossy(step.args[2]));
        return;
    }
    if (verb == "expect-greyed" || verb == "expect-ungreyed") {
        if (menus_.empty()) return fail("no menu was shown");
        const ShownMenu& shown = menus_.back();
        const res::MenuTemplate& t = *res::FindMenu(shown.menuId);
        for (const auto& arg : step.args) {
            int command = MenuCommand(t, arg);
            if (MenuText(t, command).empty())
                return fail("menu " + std::to_string(t.id) + " has no item " + Quote(arg));
            bool greyed = std::ranges::find(shown.greyed, command) != shown.greyed.end();
            if (greyed != (verb == "expect-greyed"))
                return fail("menu item " + Quote(MenuText(t, command)) +
                            (greyed ? " is greyed" : " is not greyed"));
        }
        return;
    }

    if (OpenDialogs().empty()) return fail("'" + verb + "' needs an open dialog");
    CDialog& dlg = *OpenDialogs().back();
    if (verb == "expect-dialog") {
        if (dlg.TemplateId() != step.IntArg(0))
            fail("dialog " + std::to_string(dlg.TemplateId()) + " is open, not " +
                 ToUtf8Lossy(step.args[0]));
        return;
    }
    if (verb == "expect-caption") {
        if (dlg.GetWindowText() != step.args[0])
            fail("the caption is " + Quote(dlg.GetWindowText()) + ", not " + Quote(step.args[0]));
        return;
    }
    int id = step.IntArg(0);
    const Control* c = dlg.FindControl(id);
    if (!c)
        return fail("dialog " + std::to_string(dlg.TemplateId()) + " has no " + ControlName(id));
    if (verb == "expect-text") {
        if (c->text != step.args[1])
            fail(ControlName(id) + " shows " + Quote(c->text) + ", not " + Quote(step.args[1]));
    } else if (verb == "expect-enabled" || verb == "expect-disabled") {
        if (c->enabled != (verb == "expect-enabled"))
            fail(ControlName(id) + (c->enabled ? " is enabled" : " is disabled"));
    } else if (verb == "expect-visible" || verb == "expect-hidden") {
        if (c->visible != (verb == "expect-visible"))
            fail(ControlName(id) + (c->visible ? " is visible" : " is hidden"));
    } else if (verb == "expect-focus") {
        if (dlg.GetFocusId() != id)
            fail("the focus is on " + ControlName(dlg.GetFocusId()) + ", not " + ControlName(id));
    } else if (verb == "expect-list") {
        if (c->curSel != step.IntArg(1))
            fail(ControlName(id) + " has item " + std::to_string(c->curSel) + " selected, not " +
                 ToUtf8Lossy(step.args[1]));
    } else if (verb == "expect-cell" || verb == "expect-rows") {
        if (!c->grid) return fail(ControlName(id) + " is not a grid");
        if (verb == "expect-rows") {
            if (c->grid->GetRows() != step.IntArg(1))
                fail("grid " + std::to_string(id) + " has " + std::to_string(c->grid->GetRows()) +
                     " rows, not " + ToUtf8Lossy(step.args[1]));
            return;
        }
        int row = step.IntArg(1), col = step.IntArg(2);
        if (row >= c->grid->GetRows() || col >= c->grid->GetCols())
            return fail("grid " + std::to_string(id) + " has no cell " + std::to_string(row) +
                        ", " + std::to_string(col));
        Text text = c->grid->GetTextMatrix(row, col);
        if (text != step.args[3])
            fail("cell " + std::to_string(row) + ", " + std::to_string(col) + " shows " +
                 Quote(text) + ", not " + Quote(step.args[3]));
    }
}

}  // namespace qz::ui::headless
