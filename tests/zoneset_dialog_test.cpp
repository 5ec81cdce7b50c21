// The zone settings dialog driven as a user drives it, on the headless backend.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "app/app.h"
#include "app/zone_set_call.h"
#include "base/platform.h"
#include "dialogs/zoneset/zone_set_dlg.h"
#include "import_fixture.h"
#include "resources/resource_ids.h"
#include "session/headless/headless_session.h"
#include "test_util.h"

using namespace qz;
using qz::session::HeadlessSession;

namespace {

std::unique_ptr<CZone> Zone(const char* tag, const char* name, int mode, float v1, float v2,
                            float v3, int show = 1) {
    auto z = std::make_unique<CZone>();
    z->strTag = FromUtf8(tag);
    z->strZoneName = FromUtf8(name);
    z->setting = {mode, v1, v2, v3};
    z->nShow = show;
    return z;
}

std::unique_ptr<CPict> Mho(const char* tag) {
    auto p = CreatePict(kPictMho);
    p->strZoneTag = FromUtf8(tag);
    return p;
}

struct ZoneSetTest : ::testing::Test {
    qztest::TempDir dir;
    Text docs = MakeDocs(dir);
    CQuarnZGraphApp app{docs};
    HeadlessSession user;
    ui::UseBackend use{user};
    std::unique_ptr<CDlg_ZoneSet> dlg;
    int result = 0;

    static Text MakeDocs(const qztest::TempDir& d) {
        std::filesystem::create_directories(d.path() / "docs");
        return d.text("docs");
    }
    void Add(std::unique_ptr<CZone> z) { app.arrZones.push_back(std::move(z)); }
    // Runs the dialog on what has been queued; true when the session played.
    bool Run() {
        result = dlg->DoModal();
        return user.Finish();
    }
    void SetUp() override { dlg = std::make_unique<CDlg_ZoneSet>(app); }
    ui::CMSFlexGrid& grid() { return dlg->Grid(res::kGridZones); }
    std::string Errors() const {
        std::string s;
        for (const auto& e : user.Errors()) s += e + "\n";
        return s;
    }
};

}  // namespace

TEST_F(ZoneSetTest, TableShowsEveryModeWithItsExactTexts) {
    Add(Zone("Z1,LE", "接地距离 I段", 0, 10, 78, 0));
    Add(Zone("Z2,LL", "相间距离 II段", 1, 3, 4, 99, 0));
    Add(Zone("Z3", "三段", 2, 5, 80, 1.5f));
    Add(Zone("Z4", "四段", 3, 0.5f, 1, 78));
    Add(Zone("Z5", "坏", 7, 1, 2, 3));
    user.Play(R"(
expect-caption "阻抗特性--属性( 区段参数 ) "
expect-rows 4002 6
expect-cell 4002 0 0 "显示"
expect-cell 4002 0 3 "整定阻抗"
expect-cell 4002 1 0 "  1  √"
expect-cell 4002 2 0 "  2    "
expect-cell 4002 1 1 "Z1,LE"
expect-cell 4002 1 2 "接地距离 I段"
expect-cell 4002 1 3 " Zzd = 10.000Ω ∠ 78.000°, \r\n\r\n 偏转角 = 0.000 °"
expect-cell 4002 2 3 " Rzd = 3.000Ω, \r\n\r\n Xzd = 4.000Ω"
expect-cell 4002 3 3 " Zzd = 5.000Ω ∠ 80.000°, \r\n\r\n Rzd = 1.500Ω "
expect-cell 4002 4 3 " Rzd = 0.500Ω, \r\n\r\n Xzd = 1.000Ω, 正序阻抗角 = 78.000 °"
expect-cell 4002 5 3 ""
expect-text 4001 "0.000 %"
)");
    user.Call([&] {
        EXPECT_EQ(grid().GetCols(), 4);
        EXPECT_EQ(grid().GetFixedCols(), 2);
        EXPECT_EQ(grid().GetAllowUserResizing(), 1);
        const int widths[] = {1000, 1000, 1800, 5200};
        const short aligns[] = {4, 4, 1, 1};
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(grid().GetColWidth(c), widths[c]);
            EXPECT_EQ(grid().GetColAlignment(c), aligns[c]);
            EXPECT_EQ(grid().GetCellAlignment(0, c), 4) << c;
        }
        EXPECT_EQ(grid().GetCellAlignment(1, 3), 1);
        for (int r = 0; r < 6; ++r) EXPECT_EQ(grid().GetRowHeight(r), 330);
        EXPECT_TRUE(grid().GetRedraw());
        EXPECT_EQ(dlg->nCurRow, 1);
    });
    user.Play("click 4004");
    EXPECT_TRUE(Run()) << Errors();
    EXPECT_EQ(result, kIdCancel);
}

TEST_F(ZoneSetTest, ClickOnColumnZeroTogglesTheTickAndTracksTheRow) {
    Add(Zone("A", "a", 0, 1, 90, 0));
    Add(Zone("B", "b", 0, 1, 90, 0, 5));  // any value but 1 counts as not ticked
    user.Play(R"(
grid-click 4002 1 0
expect-cell 4002 1 0 "  1    "
grid-click 4002 1 0
expect-cell 4002 1 0 "  1  √"
grid-click 4002 2 1
expect-cell 4002 2 0 "  2  √"
grid-click 4002 2 0
)");
    user.Call([&] {
        // 5 shows ticked, yet a click makes it 1: only 1 becomes 0.
        EXPECT_EQ(app.arrZones[1]->nShow, 1);
        EXPECT_EQ(dlg->nCurRow, 2);
        grid().SetColWidth(3, 9000);  // as the user drags it
    });
    user.Play(R"(
expect-cell 4002 2 0 "  2  √"
grid-click 4002 2 0
grid-click 4002 0 0
expect-cell 4002 1 0 "  1  √"
expect-cell 4002 2 0 "  2    "
)");
    user.Call([&] {
        EXPECT_EQ(dlg->nCurRow, 0);
        EXPECT_EQ(grid().GetColWidth(3), 9000);  // through ticks, for the dialog's life
    });
    user.Play(R"(
grid-click 4002 2 3
grid-dblclick 4002 1 2
expect-dialog 1002
click 4161
)");
    user.Call([&] {
        EXPECT_EQ(dlg->nCurRow, 1);
        EXPECT_EQ(grid().GetRow(), 1);
        EXPECT_EQ(app.arrZones[0]->nShow, 1);
    });
    // On the tick column a double click is a click: it toggles once, no more.
    // On the table F2 and Enter edit the current zone as a double click does.
    user.Play(R"(
grid-dblclick 4002 1 0
expect-dialog 1000
expect-cell 4002 1 0 "  1    "
focus 4002
key f2
expect-dialog 1002
click 4161
focus 4002
key enter
expect-dialog 1002
click 4161
expect-dialog 1000
)");
    user.Play("click 4003");
    EXPECT_TRUE(Run()) << Errors();
    EXPECT_EQ(result, kIdOk);
}

TEST_F(ZoneSetTest, AllowedErrorIsTakenOnLeavingAndOnEnterAndRestoredOnEscape) {
    app.fAllowedError = 0.05f;
    user.Play(R"(
expect-text 4001 "5.000 %"
expect-focus 4001
type 4001 "12.5 %"
tab
expect-text 4001 "12.500 %"
)");
    user.Call([&] { EXPECT_FLOAT_EQ(app.fAllowedError, 0.125f); });
    user.Play(R"(
type 4001 2000
focus 4003
expect-text 4001 "1000.000 %"
)");
    user.Call([&] { EXPECT_FLOAT_EQ(app.fAllowedError, 10.0f); });
    user.Play(R"(
type 4001 -3
tab
expect-text 4001 "0.000 %"
)");
    user.Call([&] { EXPECT_EQ(app.fAllowedError, 0.0f); });
    user.Play(R"(
type 4001 "7abc"
enter
expect-dialog 1000
expect-text 4001 "7.000 %"
type 4001 9
escape
expect-dialog 1000
expect-text 4001 "7.000 %"
)");
    int refreshes = 0;
    user.Call([&] {
        EXPECT_FLOAT_EQ(app.fAllowedError, 0.07f);
        refreshes = grid().RefreshCount();
    });
    // Leaving the field unchanged takes nothing and rebuilds nothing.
    user.Play(R"(
focus 4001
tab
)");
    user.Call([&] { EXPECT_EQ(grid().RefreshCount(), refreshes); });
    user.Play("click 4003");
    EXPECT_TRUE(Run()) << Errors();
    EXPECT_EQ(result, kIdOk);
    EXPECT_FLOAT_EQ(app.fAllowedError, 0.07f);
}

TEST_F(ZoneSetTest, TypedTextIsTakenWhenOkIsClickedStraightAway) {
    user.Play(R"(
type 4001 "5"
click 4003
)");
    EXPECT_TRUE(Run()) << Errors();
    EXPECT_EQ(result, kIdOk);
    EXPECT_FLOAT_EQ(app.fAllowedError, 0.05f);
    EXPECT_EQ(dlg->strAllowedError, u"5.000 %");
}

TEST_F(ZoneSetTest, ContextMenuGreysByRowsAndCurrentRow) {
    user.Play(R"(
expect-rows 4002 1
grid-rclick 4002 0 2
expect-greyed 编辑 删除 清空
expect-ungreyed 导入... 自定义
menu 删除
)");
    EXPECT_FALSE(Run());
    ASSERT_EQ(user.Errors().size(), 1u);
    EXPECT_EQ(user.Errors()[0], "line 6: menu item 32814 \"删除\" is greyed");
    EXPECT_EQ(result, kIdCancel);

    user.Reset();
    Add(Zone("A", "a", 0, 1, 90, 0));
    dlg = std::make_unique<CDlg_ZoneSet>(app);
    user.Play(R"(
grid-rclick 4002 1 2
expect-ungreyed 32812 32813 32817 32814 32815
menu-dismiss
grid-click 4002 0 3
grid-rclick 4002 1 2
expect-greyed 32817 32814
expect-ungreyed 32815
menu-dismiss
menu 32815
)");
    EXPECT_FALSE(Run());
    EXPECT_EQ(user.Errors().at(0), "line 10: 'menu' cannot be played while dialog 1000 is open");
    ASSERT_EQ(user.Menus().size(), 2u);
    // The menu opens at the release point, in screen coordinates.
    ui::Rect cell = grid().CellRect(1, 2);
    const ui::Control& c = dlg->Item(res::kGridZones);
    EXPECT_EQ(user.Menus()[0].screen,
              (ui::Point{c.rect.left + cell.Center().x, c.rect.top + cell.Center().y}));
    EXPECT_EQ(app.arrZones.size(), 1u);  // the refused session changed nothing
}

TEST_F(ZoneSetTest, DeleteAsksAndMovesTheCurrentRow) {
    Add(Zone("A", "a", 0, 1, 90, 0));
    Add(Zone("B", "b", 0, 1, 90, 0));
    Add(Zone("C", "c", 0, 1, 90, 0));
    app.arrPicts.push_back(Mho("B"));
    app.arrPicts.push_back(Mho("C"));
    app.arrPicts.push_back(Mho("c"));
    user.Play(R"(
grid-click 4002 3 2
grid-rclick 4002 3 2
menu 删除
expect-message "\n确认: 是否真的删除当前选定的阻抗区段?      \n\n" "删除" question
answer no
expect-rows 4002 4
grid-rclick 4002 3 2
menu 32814
answer yes
expect-rows 4002 3
expect-cell 4002 2 1 "B"
)");
    user.Call([&] {
        EXPECT_EQ(dlg->nCurRow, 2);
        ASSERT_EQ(app.arrPicts.size(), 2u);  // C's element went, c's (other case) stayed
        EXPECT_EQ(app.arrPicts[0]->strZoneTag.str(), u"B");
        EXPECT_EQ(app.arrPicts[1]->strZoneTag.str(), u"c");
    });
    user.Play(R"(
grid-click 4002 1 1
grid-rclick 4002 1 1
menu 删除
answer yes
expect-cell 4002 1 1 "B"
grid-rclick 4002 1 1
menu 删除
answer yes
expect-rows 4002 1
)");
    user.Call([&] { EXPECT_EQ(dlg->nCurRow, 0); });
    user.Play("close");
    EXPECT_TRUE(Run()) << Errors();
    EXPECT_EQ(result, kIdCancel);
    EXPECT_EQ(user.Messages().size(), 4u);
    EXPECT_EQ(user.Messages()[0].flags, unsigned(kMbYesNo | kMbIconQuestion));
    EXPECT_EQ(user.Messages()[0].answer, kIdNo);
}

TEST_F(ZoneSetTest, ClearAsksThenEmptiesBothLists) {
    Add(Zone("A", "a", 0, 1, 90, 0));
    Add(Zone("B", "b", 0, 1, 90, 0));
    app.arrPicts.push_back(Mho("A"));
    user.Play(R"(
grid-click 4002 2 2
grid-rclick 4002 2 2
menu 清空
expect-message "\n确认: 是否真的清空当前所有的阻抗区段?      \n\n" "清空" question
answer no
expect-rows 4002 3
grid-rclick 4002 2 2
menu 清空
answer yes
expect-rows 4002 1
escape
enter
expect-dialog 1000
click 4004
)");
    EXPECT_TRUE(Run()) << Errors();
    EXPECT_TRUE(app.arrZones.empty());
    EXPECT_TRUE(app.arrPicts.empty());
    EXPECT_EQ(dlg->nCurRow, 0);
}

TEST_F(ZoneSetTest, CurrentRowIsScrolledIntoView) {
    for (int i = 1; i <= 30; ++i)
        Add(Zone(ToUtf8(Format("T%d", i)).c_str(), "t", 0, 1, 90, 0, i % 2));
    user.Play(R"(
grid-scroll 4002 25
grid-click 4002 25 2
)");
    user.Call([&] {
        // 308 pixels high, both scroll bars: 12 whole rows below the heading.
        EXPECT_EQ(grid().GetTopRow(), 19);
        EXPECT_TRUE(grid().RowIsVisible(30));
        EXPECT_FALSE(grid().RowIsVisible(18));
        EXPECT_EQ(dlg->nCurRow, 25);
        dlg->nCurRow = 2;
    });
    // Deleting rebuilds the table, which brings the current row back.
    user.Play(R"(
grid-rclick 4002 20 2
menu 删除
answer yes
)");
    user.Call([&] {
        EXPECT_EQ(app.arrZones.size(), 29u);
        EXPECT_TRUE(grid().RowIsVisible(2));
        EXPECT_EQ(grid().GetTopRow(), 1);
        // Row 2 went; the rows below moved up, numbered anew with their own ticks.
        EXPECT_EQ(grid().GetRows(), 30);
        EXPECT_EQ(grid().GetTextMatrix(1, 0) + grid().GetTextMatrix(1, 1), u"  1  √T1");
        EXPECT_EQ(grid().GetTextMatrix(2, 0) + grid().GetTextMatrix(2, 1), u"  2  √T3");
        EXPECT_EQ(grid().GetTextMatrix(29, 0) + grid().GetTextMatrix(29, 3),
                  grid().GetTextMatrix(29, 0).substr(0, 3) + u"    " +
                      SettingText(app.arrZones[28]->setting));
        EXPECT_EQ(grid().GetTextMatrix(29, 1), u"T30");
    });
    user.Play("click 4004");
    EXPECT_TRUE(Run()) << Errors();
}

TEST_F(ZoneSetTest, ZoneSetCallWritesOnOkOnlyAndCancelKeepsTheListChanges) {
    CZoneLists file;
    file.fAllowedError = 0.1f;
    file.arrZones.push_back(Zone("Z1,LE", "接地距离 I段", 0, 10, 78, 0));
    file.arrZones.push_back(Zone("Z2,LE", "接地距离 II段", 0, 20, 78, 0));
    file.arrPicts.push_back(Mho("Z1,LE"));
    Text zoneFile = dir.text("relay.zone");
    ASSERT_TRUE(file.SaveZoneFile(zoneFile));
    Text written = JoinPath(app.strWorkPath, u"zonePara.tmp");

    user.Play(R"(
expect-text 4001 "10.000 %"
grid-rclick 4002 1 1
menu 删除
answer yes
click 4004
)");
    EXPECT_EQ(RunZoneSet(app, zoneFile.c_str()), 0);
    EXPECT_TRUE(user.Finish()) << Errors();
    EXPECT_EQ(app.arrZones.size(), 1u);
    EXPECT_TRUE(app.arrPicts.empty());
    EXPECT_TRUE(app.strZoneFileName.empty());
    EXPECT_FALSE(CurrentVfs().exists(written));

    user.Reset();
    user.Play(R"(
expect-rows 4002 3
grid-click 4002 2 0
type 4001 5
click 4003
)");
    EXPECT_EQ(RunZoneSet(app, zoneFile.c_str()), 1);
    EXPECT_TRUE(user.Finish()) << Errors();
    EXPECT_EQ(app.strZoneFileName, written);
    CZoneLists back;
    ASSERT_TRUE(back.LoadZoneFile(written));
    EXPECT_FLOAT_EQ(back.fAllowedError, 0.05f);
    ASSERT_EQ(back.arrZones.size(), 2u);
    EXPECT_EQ(back.arrZones[1]->nShow, 0);
    EXPECT_EQ(back.arrPicts.size(), 1u);

    // A missing file is reported through the dialogs' message boxes.
    user.Reset();
    Text missing = dir.text("none.zone");
    user.Play(R"(
answer ok
expect-rows 4002 1
click 4004
)");
    EXPECT_EQ(RunZoneSet(app, missing.c_str()), 0);
    EXPECT_TRUE(user.Finish()) << Errors();
    ASSERT_EQ(user.Messages().size(), 1u);
    EXPECT_EQ(user.Messages()[0].text, u"没有找到文件 " + missing + u" !");
    EXPECT_EQ(user.Messages()[0].caption, u"QuarnZGraph");
    EXPECT_EQ(user.Messages()[0].flags, unsigned(kMbOk | kMbIconError));
}

TEST_F(ZoneSetTest, CustomZonesAreAddedUnderUniqueTagsAndEditedWithTheirElements) {
    std::filesystem::create_directories(dir.path() / "work");
    dlg = std::make_unique<CDlg_ZoneSet>(app, dir.text("work"));
    auto tags = [&] {
        std::vector<Text> t;
        for (auto& p : app.arrPicts) t.push_back(Text(p->strZoneTag));
        return t;
    };
    // A circle drawn in the editor; the second zone gets no characteristic.
    user.Play(R"(
grid-rclick 4002 0 1
menu 自定义
expect-dialog 1002
expect-text 4150 "Z1,LE"
expect-text 4151 "接地距离 I段"
click 4159
expect-dialog 1104
click 4320
click 4351
click 1
click 4160
expect-rows 4002 2
expect-cell 4002 1 1 "Z1,LE"
expect-current-row 4002 1
grid-rclick 4002 1 1
menu 自定义
expect-text 4150 "Z1,LE"
click 4160
expect-cell 4002 2 1 "Z1,LE_2"
expect-current-row 4002 2
)");
    user.Call([&] {
        EXPECT_EQ(tags(), std::vector<Text>{u"Z1,LE"});
        EXPECT_EQ(app.arrZones[1]->nID, -1);
    });
    // Editing starts the editor from the zone's elements; a rename carries
    // them along.
    user.Play(R"(
grid-dblclick 4002 1 2
expect-dialog 1002
click 4159
expect-rows 4000 2
click 1
type 4150 "Z9"
click 4160
expect-cell 4002 1 1 "Z9"
grid-dblclick 4002 1 2
click 4159
)");
    // The editor's file cannot be written: the elements stay.
    user.Call([&] {
        EXPECT_EQ(tags(), std::vector<Text>{u"Z9"});
        std::filesystem::remove_all(dir.path() / "work");
    });
    user.Play(R"(
click 1
type 4150 "Z8"
click 4160
expect-cell 4002 1 1 "Z8"
grid-dblclick 4002 1 2
click 4160
)");
    // Nor can graphPara.tmp: confirming without the editor keeps them too,
    // while clearing the list in the editor empties the characteristic.
    user.Call([&] {
        EXPECT_EQ(tags(), std::vector<Text>{u"Z8"});
        std::filesystem::create_directories(dir.path() / "work");
    });
    user.Play(R"(
grid-dblclick 4002 1 2
click 4159
click 4316
click 1
click 4160
click 4003
)");
    EXPECT_TRUE(Run()) << Errors();
    EXPECT_TRUE(app.arrPicts.empty());
    EXPECT_EQ(app.arrZones[0]->nCharKind, 1);
}

TEST_F(ZoneSetTest, ImportedZonesGetUniqueTagsAndAreEditedThroughTheImportDialog) {
    std::filesystem::create_directories(dir.path() / "work");
    qztest::MemoryTemplates library;
    library.rows = qztest::ImportRows();
    dlg = std::make_unique<CDlg_ZoneSet>(app, dir.text("work"), [&] { return &library; });
    // Nothing chosen still adds a zone: no template, no tag, no elements.
    user.Play(R"(
grid-rclick 4002 0 1
menu 导入...
expect-dialog 1001
expect-text 4131 ""
click 4140
expect-rows 4002 2
expect-cell 4002 1 1 ""
grid-rclick 4002 1 1
menu 导入...
tree 4130 "请选择生产厂家: " Borealis Line BX-100 "接地距离 I段"
type 4137 3
tab
click 4140
grid-rclick 4002 1 1
menu 导入...
expect-tree 4130 "请选择生产厂家: " Borealis Line BX-100 "接地距离 I段"
expect-text 4137 "3.000 Ω"
click 4140
expect-cell 4002 2 1 "Z1,LE"
expect-cell 4002 3 1 "Z1,LE_2"
expect-cell 4002 3 3 " Zzd = 3.000Ω ∠ 75.000°, \r\n\r\n 偏转角 = 0.000 °"
expect-current-row 4002 3
)");
    user.Call([&] {
        EXPECT_EQ(app.arrZones[0]->nID, -1);
        EXPECT_EQ(app.arrZones[2]->nID, 7);
        EXPECT_EQ(app.arrPicts.size(), 4u);  // a mho and a line per imported zone
    });
    // Editing re-imports: another zone of the library replaces the elements,
    // the row stays, and the tag is unique among the others.
    user.Play(R"(
grid-dblclick 4002 2 2
expect-dialog 1001
tree 4130 "请选择生产厂家: " Borealis Line BX-100 "相间距离 III段"
click 4140
expect-current-row 4002 2
expect-cell 4002 2 2 "相间距离 III段"
click 4003
)");
    EXPECT_TRUE(Run()) << Errors();
    EXPECT_EQ(app.arrZones[1]->nID, 8);
    EXPECT_EQ(app.arrZones[1]->setting.Zzd_Mode, 1);
    Text tag(app.arrZones[1]->strTag);
    EXPECT_EQ(std::ranges::count_if(app.arrPicts, [&](auto& p) { return p->strZoneTag == tag; }),
              0);
    EXPECT_EQ(app.arrPicts.size(), 2u);
}

// Which zone an element belongs to is its tag alone: a tag cut to the field,
// a template id on a drawing or a kind that does not match are wrong identities.
TEST_F(ZoneSetTest, EachZoneKeepsItsOwnIdentityKindAndElements) {
    std::filesystem::create_directories(dir.path() / "work");
    qztest::MemoryTemplates library;
    library.rows = qztest::ImportRows();
    CPictLine line;
    CPictLens lens;
    library.rows.push_back(qztest::ImportRow(
        20, u"Borealis", u"Line", u"BX-300", u"Quad", 0, 4, 75, 0,
        qztest::FormulaBlock({{kPictLine, &line}, {kPictArc, &line}, {kPictLine, &line}})));
    library.rows.push_back(qztest::ImportRow(21, u"Borealis", u"Line", u"BX-300", u"Lens", 0, 4, 75,
                                             0, qztest::FormulaBlock({{kPictLens, &lens}})));
    dlg = std::make_unique<CDlg_ZoneSet>(app, dir.text("work"), [&] { return &library; });
    const std::string longTag(120, 'x'), cut97(97, 'x');
    Add(Zone(std::string(99, 'x').c_str(), "long", 0, 1, 2, 3));
    app.arrZones.back()->nID = -1;
    app.arrPicts.push_back(Mho(std::string(99, 'x').c_str()));
    auto count = [&](const std::string& tag) {
        return std::ranges::count_if(app.arrPicts,
                                     [&](auto& p) { return p->strZoneTag == FromUtf8(tag); });
    };
    // The same long tag typed again is the same stored tag: suffixed, with
    // the stem cut so that the suffix fits.
    user.Play((R"(
grid-rclick 4002 1 1
menu 自定义
type 4150 ")" + longTag +
               R"("
click 4159
click 4320
click 4351
click 1
click 4160
)")
                  .c_str());
    user.Call([&] {
        ASSERT_EQ(app.arrZones.size(), 2u);
        EXPECT_EQ(app.arrZones[1]->strTag, FromUtf8(cut97 + "_2"));
        EXPECT_EQ(count(std::string(99, 'x')), 1);
        EXPECT_EQ(count(cut97 + "_2"), 1);
    });
    // Deleting the second leaves the first its element.  Imports set the
    // kind from what the template draws; a zone drawn next is one by hand,
    // edited in the custom dialog.
    user.Play(R"(
grid-rclick 4002 2 1
menu 删除
answer yes
grid-rclick 4002 1 1
menu 导入...
tree 4130 "请选择生产厂家: " Borealis Line BX-300 Quad
click 4140
grid-rclick 4002 2 1
menu 导入...
tree 4130 "请选择生产厂家: " Borealis Line BX-300 Lens
click 4140
grid-rclick 4002 3 1
menu 导入...
tree 4130 "请选择生产厂家: " Borealis Line BX-100 "接地距离 I段"
click 4140
grid-rclick 4002 4 1
menu 自定义
type 4150 B
click 4159
click 4320
click 4351
click 1
click 4160
grid-dblclick 4002 5 1
expect-dialog 1002
type 4150 "Z1,LE"
click 4160
expect-cell 4002 5 1 "Z1,LE_2"
)");
    user.Call([&] {
        EXPECT_EQ(count(std::string(99, 'x')), 1);
        ASSERT_EQ(app.arrZones.size(), 5u);
        EXPECT_EQ(app.arrZones[1]->nCharKind, kCharPolygon);
        EXPECT_EQ(app.arrZones[2]->nCharKind, kCharLens);
        EXPECT_EQ(app.arrZones[3]->nCharKind, kCharCircle);  // a mixture keeps the start
        EXPECT_EQ(app.arrZones[4]->nID, -1);
        // Row 5 edited into row 4's tag: each keeps its own elements.
        EXPECT_EQ(app.arrZones[3]->strTag, u"Z1,LE");
        EXPECT_EQ(count("Z1,LE"), 2);    // the template's mho and line
        EXPECT_EQ(count("Z1,LE_2"), 1);  // the circle drawn
    });
    // An edit that takes a template sets the kind; a mixture keeps it.
    user.Play(R"(
grid-dblclick 4002 2 1
tree 4130 "请选择生产厂家: " Borealis Line BX-100 "接地距离 I段"
click 4140
grid-dblclick 4002 3 1
tree 4130 "请选择生产厂家: " Borealis Line BX-300 Quad
click 4140
click 4003
)");
    EXPECT_TRUE(Run()) << Errors();
    EXPECT_EQ(app.arrZones[1]->nCharKind, kCharPolygon);
    EXPECT_EQ(app.arrZones[2]->nCharKind, kCharPolygon);
}

// What reaches a zone is what its dialog evaluated or drew, never a file in
// the working folder that could not be written or was changed after.
TEST_F(ZoneSetTest, ElementsTravelInMemoryNotThroughFilesChangedBehindTheDialogs) {
    std::filesystem::path work = dir.path() / "work";
    std::filesystem::create_directories(work);
    qztest::MemoryTemplates library;
    library.rows = qztest::ImportRows();
    dlg = std::make_unique<CDlg_ZoneSet>(app, dir.text("work"), [&] { return &library; });
    auto kinds = [&](const char* tag) {
        std::vector<int> k;
        for (auto& p : app.arrPicts)
            if (p->strZoneTag == FromUtf8(tag)) k.push_back(p->Kind());
        return k;
    };
    auto writeBehind = [&](const char* name) {
        CPictLens lens;
        std::filesystem::remove_all(work / name);
        SaveFileReplacing(FromUtf8((work / name).string()),
                          qztest::FormulaBlock({{kPictLens, &lens}}));
    };
    const std::vector<int> mhoAndLine{kPictMho, kPictLine};
    Add(Zone("H", "hand", 0, 1, 78, 0));
    app.arrPicts.push_back(Mho("H"));
    // An import while another writer replaces "prot.tmp".
    user.Play(R"(
grid-rclick 4002 0 1
menu 导入...
tree 4130 "请选择生产厂家: " Borealis Line BX-100 "接地距离 I段"
)");
    user.Call([&] { writeBehind("prot.tmp"); });
    user.Play("type 4137 5\ntab\nclick 4140\n");
    user.Call([&] {
        EXPECT_EQ(kinds("Z1,LE"), mhoAndLine);
        // "prot.tmp" cannot be written: the edit still gets its elements.
        std::filesystem::remove(work / "prot.tmp");
        std::filesystem::create_directory(work / "prot.tmp");
    });
    user.Play("grid-dblclick 4002 2 1\ntype 4137 6\ntab\nclick 4140\n");
    user.Call([&] {
        EXPECT_EQ(kinds("Z1,LE"), mhoAndLine);
        EXPECT_EQ(app.arrZones[1]->setting.Zzd_1, 6.0f);
    });
    // A hand-made zone's files replaced while its dialogs run.
    user.Play("grid-dblclick 4002 1 1\n");
    user.Call([&] { writeBehind("graphPara.tmp"); });
    user.Play("click 4160\ngrid-dblclick 4002 1 1\nclick 4159\nclick 1\n");
    user.Call([&] { writeBehind("graph.tmp"); });
    user.Play("click 4160\n");
    user.Call([&] {
        EXPECT_EQ(kinds("H"), std::vector<int>{kPictMho});
        // A template id the library no longer has: said once; the setting
        // typed is taken, the tag, name and elements stay.
        app.arrZones[0]->nID = 0;
    });
    user.Play(R"(
grid-dblclick 4002 1 1
expect-dialog 1001
answer ok
expect-messages 1
expect-text 4131 H
type 4137 9
tab
click 4140
expect-messages 1
click 4003
)");
    EXPECT_TRUE(Run()) << Errors();
    EXPECT_EQ(app.arrZones[0]->strTag, u"H");
    EXPECT_EQ(app.arrZones[0]->strZoneName, u"hand");
    EXPECT_EQ(app.arrZones[0]->nID, 0);
    EXPECT_EQ(app.arrZones[0]->setting.Zzd_1, 9.0f);
    EXPECT_EQ(kinds("H"), std::vector<int>{kPictMho});
}
