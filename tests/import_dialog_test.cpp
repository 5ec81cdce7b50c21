// The import dialog driven as a user drives it, on the headless backend,
// against a template library in memory and against the sample library.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/msgbox.h"
#include "base/platform.h"
#include "dialog_session.h"
#include "dialogs/import/import_prot_dlg.h"
#include "gfx/recording_canvas.h"
#include "import_fixture.h"
#include "templates/sqlite/sqlite_template_db.h"
#include "test_util.h"
#include "zones/zone_list.h"

using namespace qz;
using qztest::ImportRow;

namespace {

struct ImportDialogTest : qztest::DialogSessionTest {
    qztest::TempDir dir;
    qztest::MemoryTemplates db;
    ImportDialogTest() { db.rows = qztest::ImportRows(); }
    TemplateSource Source() {
        return [this] { return &db; };
    }
    Text Prot() const { return dir.text("prot.tmp"); }
    std::vector<std::uint8_t> ProtBytes() const {
        std::string s = qztest::ReadText(dir.path() / "prot.tmp");
        return {s.begin(), s.end()};
    }
    PictList ReadNumeric() const {
        PictList list;
        EXPECT_TRUE(LoadPictFile(Prot(), list, PictForm::kNumeric));
        return list;
    }
    std::string Messages() const {
        std::string all;
        for (const auto& m : user.Messages()) all += ToUtf8Lossy(m.text) + "\n";
        return all;
    }
};

}  // namespace

TEST_F(ImportDialogTest, APresetZoneIsShownEditedAndConfirmed) {
    CDlg_Import_Prot dlg(Source(), dir.text());
    dlg.nID = 7;
    dlg.setting.Zzd_1 = 5;
    dlg.setting.Zzd_2 = 80;
    dlg.setting.Zzd_3 = 10;
    user.Call([&] {
        // The row's characteristic as it is stored, evaluated with the
        // caller's setting; the element of an unknown kind is skipped.
        EXPECT_EQ(ProtBytes(), qztest::MhoAndLine());
        EXPECT_EQ(dlg.strResultFile, Prot());
        ASSERT_EQ(dlg.Elements().size(), 2u);
        const auto& mho = static_cast<const CPictMho&>(*dlg.Elements()[0]);
        EXPECT_EQ(mho.ptZ1.fValue1, 5.0f);
        EXPECT_EQ(mho.ptZ1.fValue2, 80.0f);
        EXPECT_EQ(mho.fShiftAngle, 10.0f);
        // The preview is the plot of that setting and characteristic, its
        // background truncating, nothing highlighted.
        auto* surface = dynamic_cast<gfx::CRecordingCanvas*>(dlg.Surface());
        ASSERT_TRUE(surface && surface->LayerCount() == 3);
        const ui::Rect& r = dlg.Item(res::kImportPreview).rect;
        gfx::CRecordingCanvas screen(1, 1);
        CRxPlot plot(CRxPlot::Rounding::kTruncate);
        plot.SetPlaceholder(screen, {r.Width(), r.Height()});
        plot.setting.Zzd_1 = 5;
        plot.setting.Zzd_2 = 80;
        plot.setting.Zzd_3 = 10;
        plot.pElements = &dlg.Elements();
        plot.Refresh();
        EXPECT_EQ(surface->Layer(1).Lines(), screen.Layer(1).Lines());
        EXPECT_EQ(surface->Layer(2).Lines(), screen.Layer(2).Lines());
    });
    EXPECT_EQ(Run(dlg, qztest::kImportSession), kIdOk);

    ui::CTreeModel& tree = dlg.Tree(res::kTreeTemplates);
    EXPECT_EQ(tree.GetImageList(), res::kBmpTreeImages);
    EXPECT_EQ(tree.GetTextColor(), 0x0000FFu);
    EXPECT_EQ(tree.GetItemHeight(), 25);
    ui::TreeItem root = tree.GetRootItem();
    EXPECT_EQ(tree.GetNextSiblingItem(root), ui::kTreeNone);
    EXPECT_EQ(tree.GetItemData(root), 1);
    // Depth, text, data and image of every node: the fixed data of the
    // inner levels, the record ids of the zones (2 among them).
    std::vector<std::string> nodes;
    for (ui::TreeItem i = root; tree.IsItem(i); ++i)
        nodes.push_back(std::to_string(tree.Depth(i)) + " " + ToUtf8(tree.GetItemText(i)) + " " +
                        std::to_string(tree.GetItemData(i)) + " " +
                        std::to_string(tree.GetItemImage(i)));
    EXPECT_EQ(nodes,
              (std::vector<std::string>{
                  "1 请选择生产厂家:  1 0", "2 Borealis 2 0", "3 Line 3 0", "4 BX-100 4 0",
                  "5 接地距离 I段 7 2", "5 相间距离 III段 8 2", "4 BX-200 4 0",
                  "5 Earth zone 2 9 2", "2 Quillon 2 0", "3 Busbar 3 0", "4 QB-1 4 0", "5 Z 2 2"}));

    // Taken over when the confirm button took the focus: the angle wrapped.
    EXPECT_EQ(dlg.nID, 7);
    EXPECT_EQ(dlg.strTag, u"Z1 earth");
    EXPECT_EQ(dlg.strZoneName, u"接地距离 I段");
    EXPECT_EQ(dlg.setting.Zzd_Mode, 0);
    EXPECT_EQ(dlg.setting.Zzd_1, 12.5f);
    EXPECT_EQ(dlg.setting.Zzd_2, -10.0f);
    EXPECT_EQ(dlg.setting.Zzd_3, 80.0f);
    EXPECT_EQ(dlg.strResultFile, Prot());
    EXPECT_TRUE(dlg.Elements().empty());
    // The numeric form, evaluated with the setting shown last.
    PictList result = ReadNumeric();
    ASSERT_EQ(result.size(), 2u);
    ASSERT_EQ(result[1]->Kind(), kPictLine);
    const auto& line = static_cast<const CPictLine&>(*result[1]);
    EXPECT_EQ(line.ptZ1.fValue1, 12.5f);
    EXPECT_EQ(line.ptZ2.fValue1, 25.0f);
    EXPECT_EQ(line.ptZ2.fValue2, -10.0f);
    EXPECT_EQ(line.strZoneTag, u"Z1_LE");
}

TEST_F(ImportDialogTest, AnotherWriterOfTheExchangeFileChangesNothing) {
    CDlg_Import_Prot dlg(Source(), dir.text());
    dlg.nID = 2;
    user.Play("focus 4137\n");
    // Another host on the same working folder writes its characteristic: one mho.
    user.Call([&] {
        CPictMho mho;
        SaveFileReplacing(Prot(), qztest::FormulaBlock({{kPictMho, &mho}}));
    });
    user.Play("tab\n");
    user.Call([&] { EXPECT_EQ(dlg.Elements().size(), 2u); });
    user.Play("type 4137 7\nenter\n");
    user.Call([&] {
        EXPECT_EQ(dlg.Elements().size(), 2u);
        std::filesystem::remove(Prot());
        std::filesystem::create_directory(Prot());
    });
    user.Play("type 4137 8\nenter\n");
    user.Call([&] { EXPECT_EQ(dlg.Elements().size(), 2u); });
    EXPECT_EQ(Run(dlg, "close\n"), kIdCancel);
    EXPECT_EQ(dlg.strResultFile, u"");
    EXPECT_EQ(dlg.nID, 2);
}

TEST_F(ImportDialogTest, TheStartFollowsTheCallersRecordId) {
    // -1: the root is selected, and the setting shown is mode 0 with zeros.
    CDlg_Import_Prot none([] { return nullptr; }, dir.text());
    none.setting.Zzd_Mode = 2;
    none.setting.Zzd_1 = 1;
    EXPECT_EQ(Run(none, R"s(
expect-tree 4130 "请选择生产厂家: "
expect-expanded 4130 "请选择生产厂家: "
expect-list 4133 0
expect-text 4137 "0.000 Ω"
expect-text 4139 "0.000 °"
expect-disabled 4131
click 4140
)s"),
              kIdOk);
    EXPECT_EQ(none.nID, -1);
    EXPECT_EQ(none.strResultFile, u"");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "prot.tmp"));

    // An id no row has: nothing selected, the caller's setting, no
    // characteristic confirmed and no file written.
    CDlg_Import_Prot absent(Source(), dir.text());
    absent.nID = 99;
    absent.setting.Zzd_Mode = 1;
    absent.setting.Zzd_1 = 3;
    absent.setting.Zzd_2 = -4;
    EXPECT_EQ(Run(absent, R"s(
expect-tree 4130
expect-collapsed 4130 "请选择生产厂家: "
expect-text 4131 ""
expect-text 4134 "Rzd ="
expect-text 4137 "3.000 Ω"
expect-text 4138 "-4.000 Ω"
expect-hidden 4139
expect-enabled 4137
click 4140
)s"),
              kIdOk);
    EXPECT_EQ(absent.nID, 99);
    EXPECT_FALSE(absent.bZoneChosen);
    EXPECT_EQ(absent.strResultFile, u"");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "prot.tmp"));

    // Tree checks that do not hold say what the tree shows.
    std::vector<std::string> errors;
    for (const char* check : {"expect-tree 4130 \"请选择生产厂家: \" Borealis\n",
                              "expect-collapsed 4130 \"请选择生产厂家: \"\n"}) {
        CDlg_Import_Prot wrong(Source(), dir.text());
        user.Reset();
        user.Play(check);
        wrong.DoModal();
        EXPECT_FALSE(user.Finish());
        errors.push_back(user.Errors().empty() ? "" : user.Errors().front());
    }
    EXPECT_EQ(errors,
              (std::vector<std::string>{"line 1: the tree's selection is \"请选择生产厂家: \", not "
                                        "\"请选择生产厂家: \" \"Borealis\"",
                                        "line 1: tree item \"请选择生产厂家: \" is expanded"}));
}

TEST_F(ImportDialogTest, TheTagComesFromTheZoneName) {
    const char16_t* names[] = {u"接地距离 IV段", u"Earth Zone 2", u"iii",
                               u"DISTANCE",      u"相间 pp 3",    u"zone"};
    db.rows.clear();
    for (int i = 0; i < 6; ++i)
        db.rows.push_back(ImportRow(i + 1, u"M", u"S", u"T", names[i], 0, 1, 2, 3));
    CDlg_Import_Prot dlg(Source(), dir.text());
    EXPECT_EQ(Run(dlg, R"s(
tree 4130 "请选择生产厂家: " M S T "接地距离 IV段"
expect-text 4131 Z4,LE
tree 4130 "请选择生产厂家: " M S T "Earth Zone 2"
expect-text 4131 Z2,LE
expect-text 4132 "EARTH ZONE 2"
tree 4130 "请选择生产厂家: " M S T iii
expect-text 4131 Z
expect-text 4132 III
tree 4130 "请选择生产厂家: " M S T DISTANCE
expect-text 4131 Z1
tree 4130 "请选择生产厂家: " M S T "相间 pp 3"
expect-text 4131 Z3,LL
expect-text 4132 "相间 PP 3"
tree 4130 "请选择生产厂家: " M S T zone
expect-text 4131 Z
click 4141
)s"),
              kIdCancel);
    EXPECT_EQ(dlg.strResultFile, u"");
}

TEST_F(ImportDialogTest, FailuresEndTheHandlerAndTheDialogStaysOpen) {
    // The second maker's sorts fail: the tree keeps what it had, and the
    // caller's zone is preselected in it.
    db.failAt = 6;
    CDlg_Import_Prot dlg(Source(), dir.text());
    dlg.nID = 7;
    EXPECT_EQ(Run(dlg, R"s(
answer ok
expect-message "[ODBC] 驱动程序: 连接已断开" QuarnZGraph error
expect-tree 4130 "请选择生产厂家: " Borealis Line BX-100 "接地距离 I段"
expect-dialog 1001
tree 4130 "请选择生产厂家: " Borealis Line BX-100 "接地距离 I段"
expect-text 4131 Z1,LE
tree 4130 "请选择生产厂家: " Borealis Line BX-200
expect-disabled 4137
tree 4130 "请选择生产厂家: " Borealis Line BX-200 "Earth zone 2"
answer ok
expect-dialog 1001
expect-text 4131 Z2,LE
expect-text 4132 "EARTH ZONE 2"
expect-text 4134 "Rzd ="
expect-disabled 4137
click 4140
)s"),
              kIdOk);
    ui::CTreeModel& tree = dlg.Tree(res::kTreeTemplates);
    EXPECT_EQ(tree.Children(tree.GetRootItem()).size(), 2u);
    EXPECT_EQ(tree.Children(9).size(), 0u);  // Quillon
    ASSERT_EQ(user.Messages().size(), 2u);
    EXPECT_NE(Messages().find("left at byte"), std::string::npos) << Messages();
    // The mho read before the block broke off is what was confirmed.
    EXPECT_EQ(dlg.nID, 9);
    PictList result = ReadNumeric();
    ASSERT_EQ(result.size(), 1u);
    EXPECT_EQ(result[0]->Kind(), kPictMho);

    // No working folder to write into: the characteristic is evaluated and
    // confirmed all the same, in memory.
    CDlg_Import_Prot nowhere(Source(), dir.text("missing"));
    nowhere.nID = 2;
    user.Call([&] { EXPECT_EQ(nowhere.Elements().size(), 2u); });
    EXPECT_EQ(Run(nowhere, "click 4140\n"), kIdOk);
    EXPECT_EQ(nowhere.strResultFile, u"");
    EXPECT_EQ(nowhere.strTag, u"Z");
    EXPECT_TRUE(nowhere.bZoneChosen);
    EXPECT_EQ(nowhere.arrResult.size(), 2u);
}

// A lost connection (08S01) runs the handler once more from its start: the
// whole fill, whose statements nest, or the one zone's load.
TEST_F(ImportDialogTest, ALostConnectionRunsTheWholeFillOrTheZoneLoadOnceMore) {
    db.failAt = 6;  // the second maker's sorts
    db.failState = u"08S01";
    CDlg_Import_Prot dlg(Source(), dir.text());
    dlg.nID = 7;
    EXPECT_EQ(Run(dlg, R"s(
expect-tree 4130 "请选择生产厂家: " Borealis Line BX-100 "接地距离 I段"
expect-text 4131 Z1,LE
tree 4130 "请选择生产厂家: " Quillon Busbar QB-1 Z
expect-text 4131 Z
click 4140
)s"),
              kIdOk);
    EXPECT_EQ(Messages(), "");
    ui::CTreeModel& tree = dlg.Tree(res::kTreeTemplates);
    EXPECT_EQ(tree.Children(tree.GetRootItem()).size(), 2u);
    // Six statements up to the one that failed, the whole fill's eight
    // again, then the two zones' loads.
    EXPECT_EQ(db.statements, 6 + 8 + 2);

    db.statements = 0;
    db.failAt = 9;  // the first zone's load, after the fill
    CDlg_Import_Prot load(Source(), dir.text());
    EXPECT_EQ(Run(load, R"s(
tree 4130 "请选择生产厂家: " Quillon Busbar QB-1 Z
expect-text 4131 Z
expect-text 4137 "2.500 Ω"
click 4140
)s"),
              kIdOk);
    EXPECT_EQ(Messages(), "");
    EXPECT_EQ(db.statements, 10);
    EXPECT_EQ(load.nID, 2);

    // Twice in a row is said, as any failure.
    db.statements = 0;
    db.failAt = 1;
    CDlg_Import_Prot twice(
        [this]() -> CTemplateDatabase* {
            if (db.statements == 1) db.failAt = 2;
            return &db;
        },
        dir.text());
    EXPECT_EQ(Run(twice, R"s(
answer ok
expect-message "[ODBC] 驱动程序: 连接已断开" QuarnZGraph error
expect-tree 4130 "请选择生产厂家: "
click 4141
)s"),
              kIdCancel);
}

TEST_F(ImportDialogTest, TheSampleLibraryImportsAQuadrilateral) {
    if (!std::filesystem::exists(QZ_TEMPLATE_LIBRARY)) GTEST_SKIP() << "no " QZ_TEMPLATE_LIBRARY;
    std::unique_ptr<CTemplateDatabase> sample =
        OpenSqliteTemplateDatabase(FromUtf8(QZ_TEMPLATE_LIBRARY));
    CDlg_Import_Prot dlg([&] { return sample.get(); }, dir.text());
    EXPECT_EQ(Run(dlg, R"s(
expect-tree 4130 "请选择生产厂家: "
tree 4130 "请选择生产厂家: " "Meridian Grid Devices" Quadrilateral MGD-Q3 "Z2 earth"
expect-text 4131 Z2,LE
expect-text 4132 "Z2 EARTH"
expect-text 4137 "9.000 Ω"
expect-text 4138 "7.500 Ω"
expect-hidden 4139
type 4138 10
click 4140
)s"),
              kIdOk);
    EXPECT_EQ(dlg.nID, 10);
    EXPECT_EQ(dlg.setting.Zzd_2, 10.0f);
    PictList result = ReadNumeric();
    ASSERT_EQ(result.size(), 4u);
    // The quadrilateral's top corner is at the reactance typed.
    ASSERT_EQ(result[0]->Kind(), kPictLine);
    EXPECT_EQ(static_cast<const CPictLine&>(*result[0]).ptZ1.fValue2, 10.0f);
}
