#include "session/verbs.h"

#include <algorithm>
#include <span>

namespace qz::session {

using namespace ui;

// ---- message boxes and menus ------------------------------------------------

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

std::vector<int> MessageBoxButtons(unsigned flags) {
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

namespace {

struct Answer {
    const char* word;
    int id;
};
constexpr Answer kAnswers[] = {
    {"ok", kIdOk}, {"cancel", kIdCancel}, {"yes", kIdYes}, {"no", kIdNo}};

}  // namespace

const char* AnswerWord(int id) {
    for (const auto& a : kAnswers)
        if (a.id == id) return a.word;
    return "?";
}

int ClosingAnswer(unsigned flags) {
    std::vector<int> buttons = MessageBoxButtons(flags);
    if (std::ranges::find(buttons, kIdCancel) != buttons.end()) return kIdCancel;
    if (std::ranges::find(buttons, kIdNo) != buttons.end()) return kIdNo;
    return kIdOk;
}

namespace {

constexpr struct {
    const char* word;
    unsigned icon;
} kIcons[] = {
    {"none", 0}, {"error", 0x10}, {"question", 0x20}, {"warning", 0x30}, {"information", 0x40}};

}  // namespace

const char* IconWord(unsigned flags) {
    for (const auto& i : kIcons)
        if (i.icon == (flags & 0xF0)) return i.word;
    return "?";
}

Text MenuText(const res::MenuTemplate& menu, int command) {
    for (const auto& item : menu.items)
        if (item.command == command && item.command != 0) return item.text;
    return {};
}

namespace {

using Stage = Session::Stage;

// The buttons offered, as expect-buttons names them: "yes-no".
std::string ButtonsWord(unsigned flags) {
    std::string word;
    for (int b : MessageBoxButtons(flags))
        word += std::string(word.empty() ? "" : "-") + AnswerWord(b);
    return word;
}

// The command an argument names: its number, or the item's text.
int MenuCommand(const res::MenuTemplate& menu, TextView arg) {
    int value = 0;
    if (ParseWholeNumber(arg, value)) return value;
    for (const auto& item : menu.items)
        if (item.command != 0 && arg == item.text) return item.command;
    return 0;
}

std::string ControlName(int id) {
    return "control " + std::to_string(id);
}

// Between a tree item's path and its children in expect-children.
constexpr const char16_t* kChildrenFollow = u"--";

// ---- the controls a step acts on --------------------------------------------

// A control the user can reach: shown and enabled.
const Control& Require(const Stage& at, int id) {
    const Control* c = at.user.ShownControl(*at.dlg, id);
    if (!c)
        throw Wrong{"dialog " + std::to_string(at.dlg->TemplateId()) + " has no " +
                    ControlName(id)};
    if (!c->visible) throw Refused{ControlName(id) + " is hidden"};
    if (!c->enabled) throw Refused{ControlName(id) + " is disabled"};
    return *c;
}

// The control a step names must be of the kind it acts on.
const Control& OfKind(const Control& c, bool isKind, const char* kind) {
    if (!isKind) throw Wrong{ControlName(c.id) + " is not " + kind};
    return c;
}

const Control& RequireList(const Stage& at, int id) {
    const Control& c = Require(at, id);
    return OfKind(c, c.kind == res::ControlKind::kDropDownList, "a drop-down list");
}

const Control& RequireGrid(const Stage& at, int id) {
    const Control& c = Require(at, id);
    return OfKind(c, bool(c.grid), "a grid");
}

// The focus moves to the control first, as the user's click or typing
// moves it; the action follows while the dialog still waits.
template <class Act>
void FocusThen(Stage& at, int id, Act act) {
    at.user.Focus(*at.dlg, id);
    if (at.Still()) act();
}

// The middle of a grid cell in the dialog's client pixels; a cell must be
// shown to be clicked.
Point CellPoint(const Control& c, int row, int col) {
    Rect cell = c.grid->CellRect(row, col);
    if (cell.Width() <= 0)
        throw Refused{"row " + std::to_string(row) + ", column " + std::to_string(col) +
                      " of grid " + std::to_string(c.id) + " is not shown"};
    Point p = cell.Center();
    return {c.rect.left + p.x, c.rect.top + p.y};
}

// ---- actions on the open dialog ---------------------------------------------

void PlayFocus(const Step& s, Stage& at) {
    int id = s.IntArg(0);
    if (!Require(at, id).TakesFocus()) throw Wrong{ControlName(id) + " does not take the focus"};
    at.user.Focus(*at.dlg, id);
}

void PlayType(const Step& s, Stage& at) {
    int id = s.IntArg(0);
    const Control& c = Require(at, id);
    OfKind(c, c.IsEdit(), "an edit field");
    if (c.readOnly) throw Refused{ControlName(id) + " is read-only"};
    FocusThen(at, id, [&] { at.user.ReplaceText(*at.dlg, id, s.args[1]); });
}

// ---- keys -------------------------------------------------------------------

constexpr struct {
    const char* name;
    int code;
} kKeyNames[] = {
    {"up", kKeyUp},         {"down", kKeyDown},         {"left", kKeyLeft}, {"right", kKeyRight},
    {"pageup", kKeyPageUp}, {"pagedown", kKeyPageDown}, {"home", kKeyHome}, {"end", kKeyEnd},
    {"space", kKeySpace},   {"enter", kKeyEnter},       {"tab", kKeyTab},   {"escape", kKeyEscape},
    {"delete", kKeyDelete}, {"apps", kKeyApps},
};

// A key as a script names it: modifiers joined by "+" before the key
// ("ctrl+end", "alt+g"); false for a name that is no key.
bool ParseKey(std::string_view name, KeyStroke& key) {
    key = {};
    for (std::size_t plus; (plus = name.find('+')) != std::string_view::npos;
         name.remove_prefix(plus + 1)) {
        std::string_view mod = name.substr(0, plus);
        bool* held = mod == "ctrl"    ? &key.ctrl
                     : mod == "shift" ? &key.shift
                     : mod == "alt"   ? &key.alt
                                      : nullptr;
        if (!held || *held) return false;
        *held = true;
    }
    for (const auto& k : kKeyNames)
        if (name == k.name) key.code = k.code;
    if (name.size() == 1 && name[0] >= 'a' && name[0] <= 'z') key.code = kKeyA + (name[0] - 'a');
    if (name.size() == 1 && name[0] >= '0' && name[0] <= '9') key.code = kKey0 + (name[0] - '0');
    for (int f = 1; f <= 12; ++f)
        if (name.starts_with('f') && name.substr(1) == std::to_string(f)) key.code = kKeyF1 + f - 1;
    return key.code != 0;
}

// Keys the system takes before the dialog sees them: F10 opens the window's
// menu (Shift+F10 is the context menu's key), Alt with any but a letter or
// digit switches, closes or opens menus of windows, Ctrl+Alt is AltGr,
// Ctrl+Escape the start menu.
bool IsSystemKey(const KeyStroke& key) {
    if (key.code == kKeyF10 && !(key.shift && !key.ctrl && !key.alt)) return true;
    if (key.alt) return key.ctrl || !key.IsLetterOrDigit();
    return key.ctrl && key.code == kKeyEscape;
}

void ParseKeys(Step& s) {
    for (const Text& word : s.args) {
        std::string name = ToUtf8Lossy(word);
        KeyStroke key;
        if (!ParseKey(name, key)) ParseFail(s.line, "unknown key '" + name + "'");
        if (IsSystemKey(key))
            ParseFail(s.line, "'" + name + "' is the system's key, not the dialog's");
    }
}

// One key pressed and released where the focus is.
void Press(Stage& at, const KeyStroke& key, const std::string& name) {
    if (!at.user.PressKey(*at.dlg, key))
        throw Wrong{"'" + name + "' on " + ControlName(at.user.FocusedControl(*at.dlg)) +
                    " is not played on this backend"};
}

void PlayKeys(const Step& s, Stage& at) {
    for (const Text& word : s.args) {
        std::string name = ToUtf8Lossy(word);
        if (at.session.Failed()) return;
        if (at.dlg->IsEnded()) throw Wrong{"the dialog has ended before '" + name + "'"};
        KeyStroke key;
        ParseKey(name, key);
        Press(at, key, name);
    }
}

void PlayClick(const Step& s, Stage& at) {
    int id = s.IntArg(0);
    const Control& c = Require(at, id);
    OfKind(c, c.IsButton(), "a button");
    FocusThen(at, id, [&] { at.user.Click(*at.dlg, id); });
}

void PlayDropDown(const Step& s, Stage& at) {
    int id = s.IntArg(0);
    RequireList(at, id);
    FocusThen(at, id, [&] { at.user.DropDown(*at.dlg, id); });
}

void PlayPick(const Step& s, Stage& at) {
    int id = s.IntArg(0);
    const Control& c = RequireList(at, id);
    int index = -1;
    if (!ParseWholeNumber(s.args[1], index)) {
        auto it = std::ranges::find(c.items, s.args[1]);
        index = it == c.items.end() ? -1 : int(it - c.items.begin());
    }
    if (index < 0 || index >= int(c.items.size()))
        throw Refused{ControlName(id) + " has no item " + Quote(s.args[1])};
    FocusThen(at, id, [&] { at.user.SelectListItem(*at.dlg, id, index); });
}

// The tree item on a path of texts from the top (none: the invisible root);
// a text the tree does not have is refused.
TreeItem TreePath(const CTreeModel& tree, std::span<const Text> path) {
    TreeItem item = kTreeNone;
    for (const Text& text : path) {
        TreeItem found = kTreeNone;
        for (TreeItem child : tree.Children(item))
            if (tree.GetItemText(child) == text) {
                found = child;
                break;
            }
        if (found == kTreeNone) throw Refused{"the tree has no item " + Quote(text)};
        item = found;
    }
    return item;
}

void PlayTree(const Step& s, Stage& at) {
    int id = s.IntArg(0);
    const Control& c = Require(at, id);
    OfKind(c, bool(c.tree), "a tree");
    TreeItem item = TreePath(*c.tree, std::span(s.args).subspan(1));
    FocusThen(at, id, [&] { at.user.SelectTreeItem(*at.dlg, id, item); });
}

void PlayGridClick(const Step& s, Stage& at) {
    int id = s.IntArg(0);
    Point p = CellPoint(RequireGrid(at, id), s.IntArg(1), s.IntArg(2));
    // The press moves the focus first; the grid then finds the cell under
    // the mouse in what it shows by then.
    at.user.MoveMouse(*at.dlg, id, p);
    FocusThen(at, id, [&] {
        at.user.PressMouse(*at.dlg, id, p);
        if (at.Still()) at.user.ReleaseMouse(*at.dlg, id);
        if (s.verb == "grid-dblclick" && at.Still()) at.user.DoubleClick(*at.dlg, id);
    });
}

void PlayGridRightClick(const Step& s, Stage& at) {
    int id = s.IntArg(0);
    Point p = CellPoint(RequireGrid(at, id), s.IntArg(1), s.IntArg(2));
    at.user.MoveMouse(*at.dlg, id, p);
    at.user.ReleaseRightButton(*at.dlg, id, p);
}

void PlayGridScroll(const Step& s, Stage& at) {
    int id = s.IntArg(0);
    RequireGrid(at, id);
    at.user.ScrollGrid(*at.dlg, id, s.IntArg(1));
}

void PlayGridScrollColumns(const Step& s, Stage& at) {
    int id = s.IntArg(0);
    RequireGrid(at, id);
    at.user.ScrollGridColumns(*at.dlg, id, s.IntArg(1));
}

void PlayRightClick(const Step& s, Stage& at) {
    int id = s.IntArg(0);
    Point middle = Require(at, id).rect.Center();
    at.user.ReleaseRightButton(*at.dlg, id, middle);
}

// ---- the message box and the menu shown -------------------------------------

void PlayAnswer(const Step& s, Stage& at) {
    int id = 0;
    for (const auto& a : kAnswers)
        if (ToUtf8Lossy(s.args[0]) == a.word) id = a.id;
    std::vector<int> buttons = MessageBoxButtons(at.boxFlags);
    if (std::ranges::find(buttons, id) == buttons.end()) {
        std::string offered;
        for (int b : buttons) offered += std::string(offered.empty() ? "" : ", ") + AnswerWord(b);
        std::string what =
            "the message box has no button " + Quote(s.args[0]) + " (it offers " + offered + ")";
        if (id == 0) throw Wrong{what};
        throw Refused{what};
    }
    at.outcome = id;
    at.done = true;
}

void PlayMenu(const Step& s, Stage& at) {
    const res::MenuTemplate& t = at.menu->Template();
    int command = MenuCommand(t, s.args[0]);
    if (!at.menu->HasCommand(command))
        throw Wrong{"menu " + std::to_string(t.id) + " has no item " + Quote(s.args[0])};
    if (at.menu->IsGreyed(command))
        throw Refused{"menu item " + std::to_string(command) + " " + Quote(MenuText(t, command)) +
                      " is greyed"};
    at.outcome = command;
    at.done = true;
}

void PlayMenuDismiss(const Step&, Stage& at) {
    at.outcome = 0;
    at.done = true;
}

// ---- checks -----------------------------------------------------------------

const ShownBox& LastBox(const Stage& at) {
    if (at.session.Messages().empty()) throw Wrong{"no message box was shown"};
    return at.session.Messages().back();
}

void CheckMessage(const Step& s, Stage& at) {
    const ShownBox& box = LastBox(at);
    if (box.text != s.args[0])
        throw Wrong{"the message box shows " + Quote(box.text) + ", not " + Quote(s.args[0])};
    if (s.args.size() > 1 && box.caption != s.args[1])
        throw Wrong{"the message box's caption is " + Quote(box.caption) + ", not " +
                    Quote(s.args[1])};
    if (s.args.size() > 2 && IconWord(box.flags) != ToUtf8Lossy(s.args[2]))
        throw Wrong{std::string("the message box's icon is ") + IconWord(box.flags) + ", not " +
                    ToUtf8Lossy(s.args[2])};
}

void CheckMessages(const Step& s, Stage& at) {
    std::size_t shown = at.session.Messages().size();
    if (int(shown) != s.IntArg(0))
        throw Wrong{std::to_string(shown) + " message boxes were shown, not " +
                    ToUtf8Lossy(s.args[0])};
}

void CheckButtons(const Step& s, Stage& at) {
    std::string offered = ButtonsWord(LastBox(at).flags);
    if (offered != ToUtf8Lossy(s.args[0]))
        throw Wrong{"the message box offers " + offered + ", not " + ToUtf8Lossy(s.args[0])};
}

void CheckGreyed(const Step& s, Stage& at) {
    if (at.session.Menus().empty()) throw Wrong{"no menu was shown"};
    const ShownMenu& shown = at.session.Menus().back();
    const res::MenuTemplate& t = *res::FindMenu(shown.menuId);
    for (const auto& arg : s.args) {
        int command = MenuCommand(t, arg);
        if (MenuText(t, command).empty())
            throw Wrong{"menu " + std::to_string(t.id) + " has no item " + Quote(arg)};
        bool greyed = std::ranges::find(shown.greyed, command) != shown.greyed.end();
        if (greyed != (s.verb == "expect-greyed"))
            throw Wrong{"menu item " + Quote(MenuText(t, command)) +
                        (greyed ? " is greyed" : " is not greyed")};
    }
}

const CDialog& InnermostDialog(const Step& s) {
    if (OpenDialogs().empty()) throw Wrong{"'" + s.verb + "' needs an open dialog"};
    return *OpenDialogs().back();
}

void CheckDialog(const Step& s, Stage&) {
    int id = InnermostDialog(s).TemplateId();
    if (id != s.IntArg(0))
        throw Wrong{"dialog " + std::to_string(id) + " is open, not " + ToUtf8Lossy(s.args[0])};
}

void CheckCaption(const Step& s, Stage& at) {
    Text caption = at.user.Caption(InnermostDialog(s));
    if (caption != s.args[0])
        throw Wrong{"the caption is " + Quote(caption) + ", not " + Quote(s.args[0])};
}

// The control a check names, as the innermost dialog shows it.
const Control& Checked(const Step& s, const Stage& at) {
    const CDialog& dlg = InnermostDialog(s);
    const Control* c = at.user.ShownControl(dlg, s.IntArg(0));
    if (!c)
        throw Wrong{"dialog " + std::to_string(dlg.TemplateId()) + " has no " +
                    ControlName(s.IntArg(0))};
    return *c;
}

const CMSFlexGrid& CheckedGrid(const Step& s, const Stage& at) {
    const Control& c = Checked(s, at);
    if (!c.grid) throw Wrong{ControlName(c.id) + " is not a grid"};
    return *c.grid;
}

void CheckText(const Step& s, Stage& at) {
    const Control& c = Checked(s, at);
    if (c.text != s.args[1])
        throw Wrong{ControlName(c.id) + " shows " + Quote(c.text) + ", not " + Quote(s.args[1])};
}

void CheckEnabled(const Step& s, Stage& at) {
    const Control& c = Checked(s, at);
    if (c.enabled != (s.verb == "expect-enabled"))
        throw Wrong{ControlName(c.id) + (c.enabled ? " is enabled" : " is disabled")};
}

void CheckVisible(const Step& s, Stage& at) {
    const Control& c = Checked(s, at);
    if (c.visible != (s.verb == "expect-visible"))
        throw Wrong{ControlName(c.id) + (c.visible ? " is visible" : " is hidden")};
}

void CheckCheckMark(const Step& s, Stage& at) {
    const Control& c = Checked(s, at);
    if (c.kind != res::ControlKind::kRadioButton)
        throw Wrong{ControlName(c.id) + " is not a radio button"};
    if (c.checked != (s.verb == "expect-checked"))
        throw Wrong{ControlName(c.id) + (c.checked ? " is checked" : " is not checked")};
}

void CheckFocus(const Step& s, Stage& at) {
    const Control& c = Checked(s, at);
    int focus = at.user.FocusedControl(InnermostDialog(s));
    if (focus != c.id)
        throw Wrong{"the focus is on " + ControlName(focus) + ", not " + ControlName(c.id)};
}

void CheckList(const Step& s, Stage& at) {
    const Control& c = Checked(s, at);
    if (c.curSel != s.IntArg(1))
        throw Wrong{ControlName(c.id) + " has item " + std::to_string(c.curSel) +
                    " selected, not " + ToUtf8Lossy(s.args[1])};
}

// A grid's number against the step's second argument; the message puts it
// between `before` and `after`.
void CheckGridNumber(const Step& s, int value, const char* before, const char* after) {
    if (value != s.IntArg(1))
        throw Wrong{"grid " + ToUtf8Lossy(s.args[0]) + before + std::to_string(value) + after +
                    ", not " + ToUtf8Lossy(s.args[1])};
}

void CheckRows(const Step& s, Stage& at) {
    CheckGridNumber(s, CheckedGrid(s, at).GetRows(), " has ", " rows");
}

void CheckTopRow(const Step& s, Stage& at) {
    CheckGridNumber(s, CheckedGrid(s, at).GetTopRow(), " shows row ", " at the top");
}

void CheckLeftCol(const Step& s, Stage& at) {
    CheckGridNumber(s, CheckedGrid(s, at).GetLeftCol(), " shows column ", " first");
}

void CheckCurrentRow(const Step& s, Stage& at) {
    const Control& c = Checked(s, at);
    const CDialog& dlg = InnermostDialog(s);
    std::optional<int> row = dlg.CurrentRow(c.id);
    if (!row)
        throw Wrong{"dialog " + std::to_string(dlg.TemplateId()) + " keeps no current row of " +
                    ControlName(c.id)};
    if (*row != s.IntArg(1))
        throw Wrong{"the current row of " + ControlName(c.id) + " is " + std::to_string(*row) +
                    ", not " + ToUtf8Lossy(s.args[1])};
}

const CTreeModel& CheckedTree(const Step& s, const Stage& at) {
    const Control& c = Checked(s, at);
    if (!c.tree) throw Wrong{ControlName(c.id) + " is not a tree"};
    return *c.tree;
}

// Texts as the checks' messages quote them.
std::string QuotedWords(const std::vector<Text>& texts, const char* none) {
    std::string words;
    for (const Text& text : texts) words += " " + Quote(text);
    return words.empty() ? std::string(" ") + none : words;
}

// A path as the tree verbs write it.
std::string TreePathWords(const CTreeModel& tree, TreeItem item) {
    std::vector<Text> path;
    for (; item != kTreeNone; item = tree.GetParentItem(item))
        path.insert(path.begin(), tree.GetItemText(item));
    return QuotedWords(path, "(nothing)");
}

// A check names an item the tree must have: not a refusal, a failure.
TreeItem CheckedPath(const CTreeModel& tree, std::span<const Text> path) {
    try {
        return TreePath(tree, path);
    } catch (const Refused& r) {
        throw Wrong{r.what};
    }
}

void CheckTreeSelection(const Step& s, Stage& at) {
    const CTreeModel& tree = CheckedTree(s, at);
    TreeItem want = CheckedPath(tree, std::span(s.args).subspan(1));
    if (tree.GetSelectedItem() != want)
        throw Wrong{"the tree's selection is" + TreePathWords(tree, tree.GetSelectedItem()) +
                    ", not" + TreePathWords(tree, want)};
}

// The arguments after the tree's id: the path, "--", the children.
void CheckTreeChildren(const Step& s, Stage& at) {
    const CTreeModel& tree = CheckedTree(s, at);
    auto separator = std::ranges::find(s.args.begin() + 1, s.args.end(), kChildrenFollow);
    TreeItem item = CheckedPath(tree, std::span(s.args.begin() + 1, separator));
    std::vector<Text> want(separator + 1, s.args.end()), shown;
    for (TreeItem child : tree.Children(item)) shown.push_back(tree.GetItemText(child));
    if (shown != want)
        throw Wrong{(item == kTreeNone ? std::string("the tree's top level")
                                       : "tree item" + TreePathWords(tree, item)) +
                    " has the children" + QuotedWords(shown, "(none)") + ", not" +
                    QuotedWords(want, "(none)")};
}

void CheckTreeExpanded(const Step& s, Stage& at) {
    const CTreeModel& tree = CheckedTree(s, at);
    TreeItem item = CheckedPath(tree, std::span(s.args).subspan(1));
    bool expanded = tree.IsExpanded(item);
    if (expanded != (s.verb == "expect-expanded"))
        throw Wrong{"tree item" + TreePathWords(tree, item) +
                    (expanded ? " is expanded" : " is collapsed")};
}

void CheckCell(const Step& s, Stage& at) {
    const CMSFlexGrid& grid = CheckedGrid(s, at);
    int row = s.IntArg(1), col = s.IntArg(2);
    if (row < 0 || col < 0 || row >= grid.GetRows() || col >= grid.GetCols())
        throw Wrong{"grid " + ToUtf8Lossy(s.args[0]) + " has no cell " + std::to_string(row) +
                    ", " + std::to_string(col)};
    Text text = grid.GetTextMatrix(row, col);
    if (text != s.args[3])
        throw Wrong{"cell " + std::to_string(row) + ", " + std::to_string(col) + " shows " +
                    Quote(text) + ", not " + Quote(s.args[3])};
}

// The picture of a control of the innermost dialog, into a file.
void PlaySnapshot(const Step& s, Stage& at) {
    const Control& c = Checked(s, at);
    if (!at.user.SavePicture(*OpenDialogs().back(), c.id, s.args[1]))
        throw Wrong{"the picture of " + ControlName(c.id) + " cannot be written to " +
                    Quote(s.args[1])};
}

// ---- the verbs --------------------------------------------------------------

void ParseButtons(Step& s);
void ParseRefused(Step& s);
void ParseChildren(Step& s);

struct Verb {
    const char* name;
    int minArgs, maxArgs;  // maxArgs -1: any number
    StepContext context;
    int intArgs;  // how many leading arguments are whole numbers
    void (*play)(const Step&, Stage&);
    // What the arguments must be beyond their count and numbers.
    void (*parse)(Step&) = nullptr;
};

using C = StepContext;
constexpr Verb kVerbs[] = {
    {"focus", 1, 1, C::kDialog, 1, PlayFocus},
    {"type", 2, 2, C::kDialog, 1, PlayType},
    {"tab", 0, 0, C::kDialog, 0, [](const Step& s, Stage& at) { Press(at, {kKeyTab}, s.verb); }},
    {"enter", 0, 0, C::kDialog, 0,
     [](const Step& s, Stage& at) { Press(at, {kKeyEnter}, s.verb); }},
    {"escape", 0, 0, C::kDialog, 0,
     [](const Step& s, Stage& at) { Press(at, {kKeyEscape}, s.verb); }},
    {"key", 1, -1, C::kDialog, 0, PlayKeys, ParseKeys},
    {"close", 0, 0, C::kDialog, 0, [](const Step&, Stage& at) { at.user.ClickCloseBox(*at.dlg); }},
    {"click", 1, 1, C::kDialog, 1, PlayClick},
    {"dropdown", 1, 1, C::kDialog, 1, PlayDropDown},
    {"pick", 2, 2, C::kDialog, 1, PlayPick},
    {"tree", 2, -1, C::kDialog, 1, PlayTree},
    {"rclick", 1, 1, C::kDialog, 1, PlayRightClick},
    {"grid-click", 3, 3, C::kDialog, 3, PlayGridClick},
    {"grid-dblclick", 3, 3, C::kDialog, 3, PlayGridClick},
    {"grid-rclick", 3, 3, C::kDialog, 3, PlayGridRightClick},
    {"grid-scroll", 2, 2, C::kDialog, 2, PlayGridScroll},
    {"grid-hscroll", 2, 2, C::kDialog, 2, PlayGridScrollColumns},
    {"answer", 1, 1, C::kMessageBox, 0, PlayAnswer},
    {"menu", 1, 1, C::kMenu, 0, PlayMenu},
    {"menu-dismiss", 0, 0, C::kMenu, 0, PlayMenuDismiss},
    {"expect-dialog", 1, 1, C::kAny, 1, CheckDialog},
    {"expect-caption", 1, 1, C::kAny, 0, CheckCaption},
    {"expect-text", 2, 2, C::kAny, 1, CheckText},
    {"expect-enabled", 1, 1, C::kAny, 1, CheckEnabled},
    {"expect-disabled", 1, 1, C::kAny, 1, CheckEnabled},
    {"expect-visible", 1, 1, C::kAny, 1, CheckVisible},
    {"expect-hidden", 1, 1, C::kAny, 1, CheckVisible},
    {"expect-checked", 1, 1, C::kAny, 1, CheckCheckMark},
    {"expect-unchecked", 1, 1, C::kAny, 1, CheckCheckMark},
    {"expect-focus", 1, 1, C::kAny, 1, CheckFocus},
    {"expect-list", 2, 2, C::kAny, 2, CheckList},
    {"expect-cell", 4, 4, C::kAny, 3, CheckCell},
    {"expect-tree", 1, -1, C::kAny, 1, CheckTreeSelection},
    {"expect-expanded", 2, -1, C::kAny, 1, CheckTreeExpanded},
    {"expect-collapsed", 2, -1, C::kAny, 1, CheckTreeExpanded},
    {"expect-children", 2, -1, C::kAny, 1, CheckTreeChildren, ParseChildren},
    {"expect-rows", 2, 2, C::kAny, 2, CheckRows},
    {"expect-top-row", 2, 2, C::kAny, 2, CheckTopRow},
    {"expect-current-row", 2, 2, C::kAny, 2, CheckCurrentRow},
    {"expect-left-col", 2, 2, C::kAny, 2, CheckLeftCol},
    {"expect-message", 1, 3, C::kAny, 0, CheckMessage},
    {"expect-messages", 1, 1, C::kAny, 1, CheckMessages},
    {"expect-buttons", 1, 1, C::kAny, 0, CheckButtons, ParseButtons},
    {"snapshot", 2, 2, C::kAny, 1, PlaySnapshot},
    {"expect-greyed", 1, -1, C::kAny, 0, CheckGreyed},
    {"expect-ungreyed", 1, -1, C::kAny, 0, CheckGreyed},
    // Stands before an action, which takes its place.
    {"expect-refused", 1, -1, C::kAny, 0, nullptr, ParseRefused},
};

const Verb* FindVerb(std::string_view name) {
    for (const auto& v : kVerbs)
        if (name == v.name) return &v;
    return nullptr;
}

}  // namespace

Step ParseStep(std::vector<Text> words, int line) {
    std::string name = ToUtf8Lossy(words[0]);
    const Verb* verb = FindVerb(name);
    if (!verb) ParseFail(line, "unknown verb '" + name + "'");
    int n = int(words.size()) - 1;
    if (n < verb->minArgs || (verb->maxArgs >= 0 && n > verb->maxArgs))
        ParseFail(line, "'" + name + "' takes " +
                            (verb->minArgs == verb->maxArgs
                                 ? std::to_string(verb->minArgs)
                                 : std::to_string(verb->minArgs) + " or more") +
                            " arguments, not " + std::to_string(n));
    Step step{line, name, std::vector<Text>(words.begin() + 1, words.end()), {}};
    for (int k = 0; k < verb->intArgs; ++k) step.IntArg(std::size_t(k));
    if (verb->parse) verb->parse(step);
    return step;
}

namespace {

void ParseButtons(Step& s) {
    std::string word = ToUtf8Lossy(s.args[0]);
    for (unsigned type : {0x00u, 0x01u, 0x03u, 0x04u})
        if (ButtonsWord(type) == word) return;
    ParseFail(s.line, "no message box offers the buttons '" + word + "'");
}

void ParseChildren(Step& s) {
    if (std::ranges::find(s.args.begin() + 1, s.args.end(), kChildrenFollow) == s.args.end())
        ParseFail(s.line, "'expect-children' needs -- between the item's path and its children");
}

void ParseRefused(Step& s) {
    // Before parsing the action: a chain of them would copy the line's words
    // once per link.
    if (s.args[0] == u"expect-refused")
        ParseFail(s.line, "'expect-refused' takes an action, not 'expect-refused'");
    Step action = ParseStep(std::move(s.args), s.line);
    if (action.IsCheck() || action.mustBeRefused)
        ParseFail(s.line, "'expect-refused' takes an action, not '" + action.verb + "'");
    s = std::move(action);
    s.mustBeRefused = true;
}

}  // namespace

StepContext Step::Context() const {
    if (call) return StepContext::kAny;
    const Verb* v = FindVerb(verb);
    return v ? v->context : StepContext::kAny;
}

void PlayStep(const Step& step, Stage& at) {
    FindVerb(step.verb)->play(step, at);
}

std::vector<std::string> SessionVerbs() {
    std::vector<std::string> out;
    for (const auto& v : kVerbs) out.push_back(v.name);
    return out;
}

}  // namespace qz::session
