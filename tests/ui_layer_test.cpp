// The dialog layer: resources, measures, the grid model, session scripts and
// the headless backend's modal runs.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "base/archive.h"
#include "base/msgbox.h"
#include "base/platform.h"
#include "dialogs/common/setting_fields.h"
#include "key_sessions.h"
#include "resources/templates.h"
#include "session/headless/headless_session.h"
#include "ui/dialog.h"
#include "ui/grid.h"

using namespace qz;
using namespace qz::ui;
using namespace qz::session;

TEST(UiResources, EveryTemplateAndMenuIsThereAndFitsItsDialog) {
    for (int id : {1000, 1001, 1002, 1102, 1103, 1104, 1105}) {
        const res::DialogTemplate* t = res::FindDialog(id);
        ASSERT_NE(t, nullptr) << id;
        EXPECT_EQ(Text(t->fontName), u"宋体");
        std::set<int> ids;
        for (const auto& c : t->controls) {
            if (c.id != res::kNoId) {
                EXPECT_TRUE(ids.insert(c.id).second) << id << " " << c.id;
            }
            EXPECT_LE(c.rect.x + c.rect.cx, t->cx) << id << " " << c.id;
            if (c.kind != res::ControlKind::kDropDownList) {
                EXPECT_LE(c.rect.y + c.rect.cy, t->cy) << id << " " << c.id;
            }
        }
    }
    EXPECT_EQ(res::FindDialog(999), nullptr);
    const res::DialogTemplate& zs = *res::FindDialog(1000);
    EXPECT_EQ(Text(zs.caption), u"阻抗特性--属性( 区段参数 ) ");
    EXPECT_EQ(zs.controls[0].id, 4001);  // first tab stop: it has the focus at start
    EXPECT_TRUE(zs.controls[0].style & res::kRightAlign);
    EXPECT_TRUE(res::FindDialog(1001)->controls[9].style & res::kDisabled);

    std::vector<int> order;
    for (const auto& i : res::FindMenu(1100)->items) order.push_back(i.command);
    EXPECT_EQ(order, (std::vector<int>{32812, 32813, 0, 32817, 0, 32814, 0, 32815}));
    EXPECT_EQ(Text(res::FindMenu(1101)->popupText), u"图元参数表格右键菜单");
    EXPECT_EQ(res::FindMenu(1101)->items.size(), 7u);
}

TEST(UiUnits, DialogUnitsAndTwipsBecomePixels) {
    EXPECT_EQ(DluToPixelX(17), 26);  // 25.5 rounds away from zero
    EXPECT_EQ(DluToPixelY(205), 308);
    EXPECT_EQ(DluToPixelX(-3), -5);
    EXPECT_EQ(TwipsToPixels(330), 22);
    EXPECT_EQ(TwipsToPixels(1000), 67);
}

TEST(UiGrid, RowsShownFollowHeightsScrollingAndSelection) {
    CMSFlexGrid g;
    g.SetWindowSize(204, 104);  // 200 x 100 inside the border
    g.SetCols(2);
    g.SetColWidth(0, 900);  // 60 pixels
    g.SetColWidth(1, 1500);
    g.SetRows(3);
    g.SetTextMatrix(2, 1, u"kept");
    for (int r = 0; r < 3; ++r) g.SetRowHeight(r, 450);  // 30 pixels
    EXPECT_TRUE(g.RowIsVisible(2));
    g.SetRows(10);
    EXPECT_EQ(g.GetTextMatrix(2, 1), u"kept");
    EXPECT_EQ(g.GetRowHeight(5), 240);  // new rows: 16 pixels
    // Heading 30 + 30 + 30 reaches 90; row 3 starts at 92 of 100: partly shown.
    EXPECT_TRUE(g.RowIsVisible(3));
    EXPECT_FALSE(g.RowIsVisible(4));
    EXPECT_FALSE(g.RowIsVisible(10));
    // A press on a partly shown row scrolls it whole into view.
    Rect cell = g.CellRect(3, 1);
    ASSERT_GT(cell.Height(), 0);
    EXPECT_TRUE(g.MouseDown(cell.Center()));
    EXPECT_EQ(g.GetRow(), 3);
    EXPECT_EQ(g.GetCol(), 1);
    EXPECT_EQ(g.GetTopRow(), 2);
    EXPECT_FALSE(g.RowIsVisible(1));
    EXPECT_TRUE(g.RowIsVisible(0));
    EXPECT_FALSE(g.MouseDown(g.CellRect(3, 1).Center()));  // unchanged selection
    // TopRow stops where the last rows fill the view.
    g.SetTopRow(100);
    EXPECT_EQ(g.GetTopRow(), 6);  // rows 6..9: 4 x 16 = 64 of the 70 below the heading
    g.SetTopRow(0);
    EXPECT_EQ(g.GetTopRow(), 1);
    // A press on the fixed column selects the row across the other columns.
    g.SetCols(3);
    g.SetFixedCols(1);
    EXPECT_TRUE(g.MouseDown(g.CellRect(2, 0).Center()));
    EXPECT_EQ(g.GetMouseRow(), 2);
    EXPECT_EQ(g.GetMouseCol(), 0);
    EXPECT_EQ(g.GetRow(), 2);
    EXPECT_EQ(g.GetCol(), 1);
    EXPECT_EQ(g.GetColSel(), 2);
    g.Clear();
    EXPECT_EQ(g.GetTextMatrix(2, 1), u"");
    EXPECT_EQ(g.GetRows(), 10);
}

TEST(UiGrid, KeysMoveTheCurrentCellAndScrollItsRowWholeIntoView) {
    CMSFlexGrid g;
    g.SetWindowSize(204, 104);  // heading 16 + 84: five rows whole, the sixth in part
    g.SetRows(101);
    g.SetCols(3);
    g.SetFixedCols(1);
    g.SetRow(0);  // a heading current: no row yet
    auto press = [&](int code, bool ctrl = false) { return g.KeyDown({code, ctrl}); };
    EXPECT_TRUE(press(kKeyDown));
    EXPECT_EQ(g.GetRow(), 1);
    EXPECT_FALSE(press(kKeyUp));  // at the first row
    EXPECT_FALSE(press(kKeyA));
    // Three columns of 64 pixels in 183: the last one brings itself whole
    // into view, scrolling the first of the two that scroll away.
    EXPECT_EQ(g.MaxLeftCol(), 2);
    EXPECT_TRUE(press(kKeyEnd));
    EXPECT_EQ(g.GetCol(), 2);
    EXPECT_EQ(g.GetColSel(), 2);
    EXPECT_EQ(g.GetLeftCol(), 2);
    EXPECT_FALSE(g.ColIsShown(1));
    EXPECT_EQ(g.CellRect(1, 2).left, 2 + 64);  // beside the fixed column
    EXPECT_TRUE(press(kKeyPageDown));
    const int page = g.GetRow() - 1;
    EXPECT_GE(page, 4);
    EXPECT_TRUE(g.RowIsVisible(g.GetRow()));
    EXPECT_TRUE(press(kKeyEnd, true));
    EXPECT_EQ(g.GetRow(), 100);
    EXPECT_EQ(g.GetTopRow(), g.MaxTopRow());
    EXPECT_EQ(g.CellRect(100, 2).Height(), 16);  // whole
    EXPECT_TRUE(press(kKeyPageUp));
    EXPECT_EQ(g.GetRow(), 100 - page);
    EXPECT_EQ(g.CellRect(100 - page, 2).Height(), 16);
    EXPECT_TRUE(press(kKeyHome, true));
    EXPECT_EQ(g.GetRow(), 1);
    EXPECT_EQ(g.GetCol(), 1);
    EXPECT_EQ(g.GetTopRow(), 1);
    EXPECT_EQ(g.GetLeftCol(), 1);
    // A point on the fixed column or the left column finds them.
    int row = 0, col = 0;
    g.HitTest({2 + 64 + 3, 2 + 16 + 3}, row, col);
    EXPECT_EQ(col, 1);
    g.SetLeftCol(9);
    EXPECT_EQ(g.GetLeftCol(), 2);
    g.HitTest({2 + 64 + 3, 2 + 16 + 3}, row, col);
    EXPECT_EQ(col, 2);
    g.SetColWidth(2, 300);  // narrower columns all fit: no scrolling left
    EXPECT_EQ(g.GetLeftCol(), 1);
}

TEST(UiGrid, ScrollBarsShowForWhatDoesNotFitAndBoundTheTopRow) {
    CMSFlexGrid g;
    g.SetWindowSize(204, 104);  // 200 x 100 inside the border
    g.SetCols(2);
    g.SetColWidth(0, 900);   // 60 pixels
    g.SetColWidth(1, 1500);  // 100
    g.SetRows(5);
    for (int r = 0; r < 5; ++r) g.SetRowHeight(r, 300);  // 20 pixels: just the height
    EXPECT_EQ(g.CellArea(), (Rect{2, 2, 202, 102}));
    EXPECT_EQ(g.VisibleRowCount(), 5);
    // A pixel more: a vertical bar, and room to scroll by a row.
    g.SetRowHeight(4, 315);
    EXPECT_EQ(g.CellArea(), (Rect{2, 2, 185, 102}));
    g.SetTopRow(3);
    EXPECT_EQ(g.GetTopRow(), 2);
    g.SetRowHeight(4, 300);
    EXPECT_EQ(g.CellArea(), (Rect{2, 2, 202, 102}));
    EXPECT_EQ(g.GetTopRow(), 1);
    // One row more: a vertical bar, and the top row stops where the last row
    // is shown whole.
    g.SetRows(6);
    g.SetRowHeight(5, 300);
    EXPECT_EQ(g.CellArea(), (Rect{2, 2, 185, 102}));
    g.SetTopRow(99);
    EXPECT_EQ(g.GetTopRow(), 2);
    EXPECT_FALSE(g.RowIsVisible(1));
    EXPECT_EQ(g.CellRect(5, 1).bottom, 102);
    EXPECT_EQ(g.VisibleRowCount(), 5);
    // Columns that fit the window but not beside the vertical bar bring the
    // horizontal one, and a row less fits.
    g.SetColWidth(1, 1950);  // 60 + 130 of 183
    EXPECT_EQ(g.CellArea(), (Rect{2, 2, 185, 85}));
    g.SetTopRow(99);
    EXPECT_EQ(g.GetTopRow(), 3);
    EXPECT_EQ(g.VisibleRowCount(), 4);
    // Back to rows that fit: no bar, and the top row returns.
    g.SetRows(5);
    EXPECT_EQ(g.CellArea(), (Rect{2, 2, 202, 102}));
    EXPECT_EQ(g.GetTopRow(), 1);
    // Columns wider than the window: the horizontal bar leaves too little
    // height, and the vertical one follows.
    g.SetColWidth(1, 2250);  // 60 + 150 of 200
    EXPECT_EQ(g.CellArea(), (Rect{2, 2, 185, 85}));
    g.SetTopRow(99);
    EXPECT_EQ(g.GetTopRow(), 2);
    EXPECT_EQ(g.CellRect(4, 1).bottom, 82);
    g.MouseMove({10, 84});  // below the last row, inside the cells' area
    EXPECT_EQ(g.GetMouseRow(), 5);
}

namespace {

// Why a script does not parse, or "parsed".
std::string ParseError(const char16_t* script) {
    try {
        ParseSession(script);
    } catch (const SessionError& e) {
        return std::string(e.what());
    }
    return "parsed";
}

}  // namespace

TEST(UiSession, ParsingNamesTheLineAndDecodesQuotes) {
    auto steps = ParseSession(u"# comment\n\ntype 4001 \"a \\\"b\\\"\\r\\n\\u03A9\" # note\nenter");
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[0].line, 3);
    EXPECT_EQ(steps[0].args[1], u"a \"b\"\r\nΩ");
    EXPECT_EQ(steps[1].verb, "enter");
    EXPECT_EQ(ParseError(u"enter\njump 3"), "line 2: unknown verb 'jump'");
    EXPECT_EQ(ParseError(u"\n\nclick"), "line 3: 'click' takes 1 arguments, not 0");
    EXPECT_EQ(ParseError(u"click OK"), "line 1: 'click' needs a whole number as argument 1");
    EXPECT_EQ(ParseError(u"type 4001 \"open"), "line 1: a quoted text is not closed");
    EXPECT_EQ(ParseError(u"type 4001 \"a\"b"), "line 1: a quoted text must be followed by a blank");
    EXPECT_EQ(ParseError(u"tree 1"), "line 1: 'tree' takes 2 or more arguments, not 1");
    EXPECT_EQ(ParseError(u"expect-refused expect-text 4001 x"),
              "line 1: 'expect-refused' takes an action, not 'expect-text'");
    Text chain;
    for (int i = 0; i < 60000; ++i) chain += u"expect-refused ";
    EXPECT_EQ(ParseError((chain + u"click 1").c_str()),
              "line 1: 'expect-refused' takes an action, not 'expect-refused'");
    EXPECT_EQ(ParseError(u"expect-buttons yes-maybe"),
              "line 1: no message box offers the buttons 'yes-maybe'");
    EXPECT_EQ(ParseError(Text(kMaxSessionScript + 1, u' ').c_str()),
              "a session script holds at most 1048576 characters");
    // A byte-order mark at the start is no part of the first verb.
    steps = ParseSession(u"\uFEFFexpect-refused menu 32814");
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].Describe(), "expect-refused menu \"32814\"");
    EXPECT_EQ(steps[0].Context(), StepContext::kMenu);
}

namespace {

// A dialog that records what reaches its handlers.
class Probe : public CDialog {
  public:
    using CDialog::CDialog;
    std::vector<std::string> log;
    std::function<void(Probe&)> onInit;
    std::function<void(int)> onCommand;
    int radio = -1;
    Text edit;
    int editId = 0;

  protected:
    void DoDataExchange(CDataExchange& dx) override {
        if (editId) DDX_Text(dx, editId, edit);
        if (FindControl(res::kRadioCircle)) DDX_Radio(dx, res::kRadioCircle, radio);
    }
    bool OnInitDialog() override {
        CDialog::OnInitDialog();
        if (onInit) onInit(*this);
        return true;
    }
    void OnCommand(int id) override {
        log.push_back("command " + std::to_string(id));
        if (onCommand) onCommand(id);
    }
    void OnSetFocus(int id) override { log.push_back("set " + std::to_string(id)); }
    void OnKillFocus(int id) override { log.push_back("kill " + std::to_string(id)); }
    void OnSelChange(int id) override { log.push_back("sel " + std::to_string(id)); }
    void OnDropDown(int id) override { log.push_back("drop " + std::to_string(id)); }
    void OnTreeSelChanged(int id) override { log.push_back("tree " + std::to_string(id)); }
    void OnGridEvent(int id, int e) override {
        log.push_back("grid " + std::to_string(id) + " " + std::to_string(e));
    }
};

struct HeadlessTest : ::testing::Test {
    HeadlessSession user;
    UseBackend use{user};
};

}  // namespace

TEST_F(HeadlessTest, NestedDialogsAndBoxesAreAnsweredInOrder) {
    Probe outer(res::kDlgGraph);
    Probe inner(res::kDlgMho);
    inner.editId = res::kEditMho1Value1;
    int innerResult = 0, answer = 0;
    outer.onCommand = [&](int id) {
        if (id != res::kBtnNewElement) return;
        innerResult = inner.DoModal();
        answer = outer.MessageBox(u"again?", u"q", kMbYesNo | kMbIconQuestion);
    };
    inner.onCommand = [&](int id) {
        if (id == res::kBtnMhoOk) inner.EndDialog(kIdOk);
    };
    user.Play(R"(
expect-dialog 1104
expect-focus 4315
click 4316
click 4320
expect-dialog 1103
type 4343 "3.5"
click 4351
expect-dialog 1104
expect-message "again?" "q" question
answer yes
focus 4000
enter
)");
    EXPECT_EQ(outer.DoModal(), kIdOk);
    EXPECT_TRUE(user.Finish()) << user.Errors().at(0);
    EXPECT_EQ(innerResult, kIdOk);
    EXPECT_EQ(answer, kIdYes);
    EXPECT_EQ(inner.edit, u"");  // only the default OnOK takes the controls
    EXPECT_EQ(outer.radio, 1);   // the default OnOK did
    EXPECT_EQ(outer.log, (std::vector<std::string>{"set 4315", "kill 4315", "set 4316",
                                                   "command 4316", "kill 4316", "set 4320",
                                                   "command 4320", "kill 4320", "set 4000"}));
    EXPECT_EQ(inner.log, (std::vector<std::string>{"set 4340", "kill 4340", "set 4343", "kill 4343",
                                                   "set 4351", "command 4351"}));
    EXPECT_TRUE(OpenDialogs().empty());
}

TEST_F(HeadlessTest, ASessionThatRunsOutCancelsEveryOpenDialog) {
    Probe outer(res::kDlgGraph);
    Probe inner(res::kDlgMho);
    int innerResult = 0;
    outer.onCommand = [&](int id) {
        if (id == res::kBtnNewElement) innerResult = inner.DoModal();
    };
    user.Play("click 4320\nexpect-dialog 1103");
    EXPECT_EQ(outer.DoModal(), kIdCancel);
    EXPECT_EQ(innerResult, kIdCancel);
    EXPECT_FALSE(user.Finish());
    ASSERT_EQ(user.Errors().size(), 1u);
    EXPECT_EQ(user.Errors()[0], "line 2: the session ends here while dialog 1103 is open");

    // With no session at all nothing waits either, and once a session has
    // ended, what waits names none of its lines.
    user.Reset();
    user.Play("close");
    EXPECT_EQ(Probe(res::kDlgGraph).DoModal(), kIdCancel);
    EXPECT_TRUE(user.Finish());
    EXPECT_EQ(Probe(res::kDlgZoneSet).DoModal(), kIdCancel);
    EXPECT_EQ(user.Errors().at(0), "no session: dialog 1000 was closed unanswered");
}

TEST_F(HeadlessTest, ChecksOfRowsButtonsAndRefusals) {
    int current = 0;
    auto run = [&](const char* script) {
        user.Reset();
        Probe dlg(res::kDlgGraph);
        dlg.onInit = [&](Probe& d) {
            d.ExposeCurrentRow(res::kGridElements, current);
            d.Grid(res::kGridElements).SetRows(30);
            d.EnableItem(res::kBtnNewElement, false);
        };
        dlg.onCommand = [&](int id) {
            if (id == res::kRadioCircle) {
                PopupMenu menu(res::kMenuGraph);
                menu.EnableMenuItem(res::kCmdElementDelete, false);
                dlg.TrackPopupMenu(menu, {0, 0});
            } else if (id == res::kCmdElementEdit) {
                dlg.MessageBox(u"sure?", u"q", kMbYesNo | kMbIconQuestion);
            }
        };
        user.Call([&] { current = 3; });
        user.Play(script);
        dlg.DoModal();
        user.Finish();
        return user.Errors().empty() ? std::string("played") : user.Errors()[0];
    };
    EXPECT_EQ(run(R"(
expect-current-row 4000 3
expect-top-row 4000 1
grid-scroll 4000 10
expect-top-row 4000 10
expect-refused grid-click 4000 2 0
expect-refused click 4320
click 4315
expect-refused menu 4312
menu 4311
expect-buttons yes-no
expect-refused answer ok
answer no
close
)"),
              "played");
    EXPECT_EQ(user.Messages().at(0).answer, kIdNo);
    // A step that is played, or one that names what is not there, is no refusal.
    EXPECT_EQ(run("expect-refused click 4316"), "line 2: 'click' was played: it was not refused");
    EXPECT_EQ(run("expect-refused click 4999"), "line 2: dialog 1104 has no control 4999");
    EXPECT_EQ(run("click 4315\nexpect-refused menu 4311"),
              "line 3: 'menu' was played: it was not refused");
    EXPECT_EQ(run("click 4315\nmenu 4311\nexpect-buttons ok"),
              "line 4: the message box offers yes-no, not ok");
    EXPECT_EQ(run("expect-current-row 4000 2"),
              "line 2: the current row of control 4000 is 3, not 2");
    EXPECT_EQ(run("expect-current-row 4315 0"),
              "line 2: dialog 1104 keeps no current row of control 4315");
    EXPECT_EQ(run("expect-top-row 4000 2"), "line 2: grid 4000 shows row 1 at the top, not 2");
    // A cell before the first row or column is no cell, whatever it shows.
    EXPECT_EQ(run("expect-cell 4000 -1 0 \"\""), "line 2: grid 4000 has no cell -1, 0");
    EXPECT_EQ(run("expect-cell 4000 0 -1 \"\""), "line 2: grid 4000 has no cell 0, -1");
}

TEST_F(HeadlessTest, AnErrorInAHandlerIsShownAndTheDialogStaysOpen) {
    Probe dlg(res::kDlgGraph);
    dlg.onCommand = [&](int id) {
        if (id == res::kBtnNewElement) throw ArchiveError(12, "element count out of range");
        dlg.log.push_back("after");
    };
    user.Play(R"(
click 4320
expect-message "element count out of range at byte 12" "QuarnZGraph" error
answer yes
)");
    user.Play(R"(
focus 4000
enter
)");
    EXPECT_EQ(dlg.DoModal(), kIdCancel);
    EXPECT_FALSE(user.Finish());
    EXPECT_EQ(user.Errors().at(0), "line 4: the message box has no button \"yes\" (it offers ok)");

    user.Reset();
    dlg.log.clear();
    user.Play(R"(
click 4320
answer ok
expect-dialog 1104
focus 4320
enter
answer ok
focus 4000
enter
)");
    EXPECT_EQ(dlg.DoModal(), kIdOk);
    EXPECT_TRUE(user.Finish()) << user.Errors().at(0);
    // Enter on the focused push button clicks it; elsewhere it is the default button's.
    EXPECT_EQ(std::count(dlg.log.begin(), dlg.log.end(), "command 4320"), 2);
    EXPECT_EQ(std::count(dlg.log.begin(), dlg.log.end(), "after"), 0);
}

TEST_F(HeadlessTest, ControlsRefuseWhatTheUserCannotDo) {
    auto refused = [&](const char* action) {
        user.Reset();
        Probe dlg(res::kDlgImport);
        user.Play(action);
        dlg.DoModal();
        user.Finish();
        return user.Errors().empty() ? std::string() : user.Errors()[0];
    };
    EXPECT_EQ(refused("pick 4133 0"), "line 1: control 4133 is disabled");
    EXPECT_EQ(refused("type 4132 x"), "line 1: control 4132 is read-only");
    EXPECT_EQ(refused("click 4309"), "line 1: control 4309 is hidden");
    EXPECT_EQ(refused("click 4131"), "line 1: control 4131 is not a button");
    EXPECT_EQ(refused("focus 7"), "line 1: dialog 1001 has no control 7");
    EXPECT_EQ(refused("menu 32814"), "line 1: 'menu' cannot be played while dialog 1001 is open");
    EXPECT_EQ(refused("answer ok"), "line 1: 'answer' cannot be played while dialog 1001 is open");
    EXPECT_EQ(refused("close\nenter"), "line 2: 'enter' was never played: no dialog was open");
}

TEST_F(HeadlessTest, ListsAndTreesNotifyTheirDialog) {
    Probe custom(res::kDlgCustom);
    custom.onInit = [](Probe& d) {
        FillModeList(d, res::kListCustomMode);
        d.ListSetCurSel(res::kListCustomMode, 0);
    };
    user.Play(R"S(
expect-list 4152 0
dropdown 4152
pick 4152 "直角坐标 ( Rzd, Xzd )"
expect-list 4152 1
pick 4152 3
close
)S");
    EXPECT_EQ(custom.DoModal(), kIdCancel);
    EXPECT_TRUE(user.Finish()) << user.Errors().at(0);
    EXPECT_EQ(custom.log, (std::vector<std::string>{"set 4150", "kill 4150", "set 4152",
                                                    "drop 4152", "sel 4152", "sel 4152"}));

    user.Reset();
    Probe import(res::kDlgImport);
    TreeItem zone = kTreeNone;
    import.onInit = [&](Probe & d) { CTreeModel& t = d.Tree(res::kTreeTemplates);
    TreeItem root = t.InsertItem(u"请选择生产厂家: ", 0, 0, 1);
    TreeItem maker = t.InsertItem(u"厂家", 0, 0, 2, root);
    TreeItem sort = t.InsertItem(u"距离保护", 0, 0, 3, maker);
    TreeItem model = t.InsertItem(u"型号", 0, 0, 4, sort);
    zone = t.InsertItem(u"接地距离 I段", 2, 2, 4, model);
    d.TreeSelectItem(res::kTreeTemplates, root);
    d.TreeSelectItem(res::kTreeTemplates, root);  // unchanged: no notification
};
user.Play(R"(
tree 4130 "请选择生产厂家: " 厂家 距离保护 型号 "接地距离 I段"
tree 4130 "请选择生产厂家: " 厂家 无
)");
EXPECT_EQ(import.DoModal(), kIdCancel);
EXPECT_FALSE(user.Finish());
EXPECT_EQ(user.Errors().at(0), "line 3: the tree has no item \"无\"");
EXPECT_EQ(import.log, (std::vector<std::string>{"tree 4130", "set 4130", "tree 4130"}));
const CTreeModel& t = *import.Item(res::kTreeTemplates).tree;
EXPECT_EQ(t.GetSelectedItem(), zone);
EXPECT_EQ(t.Depth(zone), 5);
EXPECT_EQ(t.GetItemData(zone), 4);  // item data may equal an inner level's fixed value
EXPECT_TRUE(t.IsShown(zone));
}

TEST_F(HeadlessTest, KeysDoWhatTheDialogManagerDoesAndChecksReadMarksAndChildren) {
    // The first error of a script at a dialog, "played" when there is none.
    auto run = [&](Probe& dlg, const char* script) {
        user.Reset();
        dlg.log.clear();
        user.Play(script);
        dlg.DoModal();
        user.Finish();
        return user.Errors().empty() ? std::string("played") : user.Errors()[0];
    };
    auto commands = [](const Probe& dlg) {
        std::vector<std::string> out;
        for (const auto& entry : dlg.log)
            if (entry.starts_with("command")) out.push_back(entry);
        return out;
    };
    Probe graph(res::kDlgGraph);
    EXPECT_EQ(run(graph, qztest::kRadioKeysSession), "played");
    // Arrows onto a kind and Space click; onto the grid nothing is clicked.
    EXPECT_EQ(commands(graph),
              (std::vector<std::string>{"command 4316", "command 4317", "command 4316",
                                        "command 4315", "command 4320", "command 4315"}));
    EXPECT_EQ(graph.Result(), kIdCancel);
    Probe custom(res::kDlgCustom);
    custom.onInit = [](Probe& d) {
        d.SetDlgItemText(res::kLabelCustomValue1, qztest::kLabelWithMnemonic);
    };
    EXPECT_EQ(run(custom, qztest::kMnemonicKeysSession), "played");
    EXPECT_EQ(commands(custom), (std::vector<std::string>{"command 4159", "command 4159"}));
    // A mnemonic on a disabled button is no mnemonic; typing is the type step's.
    custom.onInit = [](Probe& d) { d.EnableItem(res::kBtnCustomGraph, false); };
    EXPECT_EQ(run(custom, "key alt+g\nexpect-focus 4150\nkey a"),
              "line 3: 'a' on control 4150 is not played on this backend");
    custom.onInit = nullptr;
    EXPECT_EQ(run(custom, "key escape tab"), "line 1: the dialog has ended before 'tab'");
    EXPECT_EQ(run(graph, "key down\nexpect-checked 4317"), "line 2: control 4317 is not checked");
    EXPECT_EQ(run(graph, "expect-unchecked 1"), "line 1: control 1 is not a radio button");

    Probe import(res::kDlgImport);
    import.onInit = [](Probe & d) { CTreeModel& t = d.Tree(res::kTreeTemplates);
    TreeItem maker = t.InsertItem(u"厂家", 0, 0, 1);
    t.InsertItem(u"距离保护", 0, 0, 2, t.InsertItem(u"RCS-931", 0, 0, 3, maker));
    t.InsertItem(u"CSC-101", 0, 0, 3, maker);
};
EXPECT_EQ(run(import, R"(
expect-children 4130 -- 厂家
expect-children 4130 厂家 -- RCS-931 CSC-101
expect-children 4130 厂家 CSC-101 --
close
)"),
          "played");
EXPECT_EQ(run(import, "expect-children 4130 厂家 -- CSC-101 RCS-931"),
          "line 1: tree item \"厂家\" has the children \"RCS-931\" \"CSC-101\", not "
          "\"CSC-101\" \"RCS-931\"");
EXPECT_EQ(run(import, "expect-children 4130 --"),
          "line 1: the tree's top level has the children \"厂家\", not (none)");
EXPECT_EQ(run(import, "expect-children 4130 无 --"), "line 1: the tree has no item \"无\"");

EXPECT_EQ(ParseError(u"key up ctrl+shift+end alt+shift+g f12 0 z"), "parsed");
EXPECT_EQ(ParseError(u"key up jump"), "line 1: unknown key 'jump'");
for (const char16_t* name : {u"key G", u"key ctrl+", u"key ctrl+ctrl+a", u"key f13", u"key f01"})
    EXPECT_NE(ParseError(name).find("unknown key"), std::string::npos) << ToUtf8(name);
EXPECT_EQ(ParseError(u"key alt+tab"), "line 1: 'alt+tab' is the system's key, not the dialog's");
for (const char16_t* name : {u"key f10", u"key ctrl+alt+g", u"key ctrl+escape", u"key alt+f4"})
    EXPECT_NE(ParseError(name).find("system's key"), std::string::npos) << ToUtf8(name);
EXPECT_EQ(ParseError(u"key"), "line 1: 'key' takes 1 or more arguments, not 0");
EXPECT_EQ(ParseError(u"expect-children 4130 厂家"),
          "line 1: 'expect-children' needs -- between the item's path and its children");
}

TEST(UiOverrides, ScopedOverridesNestAndRestoreWhatWasThere) {
    // Backends: the inner scope ends with the outer one active again, and
    // with none at all the dialog layer refuses to run.
    HeadlessSession outer, inner;
    EXPECT_THROW(CurrentBackend(), std::logic_error);
    {
        UseBackend useOuter{outer};
        {
            UseBackend useInner{inner};
            EXPECT_EQ(&CurrentBackend(), &inner);
        }
        EXPECT_EQ(&CurrentBackend(), &outer);
    }
    EXPECT_THROW(CurrentBackend(), std::logic_error);

    // Message-box handlers, and the route through the active backend.
    MessageBoxHandler answer = [](void* value, TextView, TextView, unsigned) {
        return *static_cast<int*>(value);
    };
    int yes = kIdYes, no = kIdNo;
    {
        UseMessageBoxHandler first{answer, &yes};
        {
            UseMessageBoxHandler second{answer, &no};
            EXPECT_EQ(ShowMessageBox(u"?", kModuleName, kMbYesNo), kIdNo);
        }
        EXPECT_EQ(ShowMessageBox(u"?", kModuleName, kMbYesNo), kIdYes);
    }

    // File tables.
    Vfs other = NativeVfs();
    {
        UseVfs useOther{other};
        {
            Vfs third = NativeVfs();
            UseVfs useThird{third};
            EXPECT_EQ(&CurrentVfs(), &third);
        }
        EXPECT_EQ(&CurrentVfs(), &other);
    }
    EXPECT_EQ(&CurrentVfs(), &NativeVfs());
}
