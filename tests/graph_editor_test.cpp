// The graph editor driven as a user drives it, on the headless backend: its
// table rules, the one-element rule, polygon linking, the files it reads and
// writes, and its plot beside the one `quarnz plot` draws.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "base/msgbox.h"
#include "base/platform.h"
#include "base/quote.h"
#include "dialog_session.h"
#include "dialogs/grapheditor/graph_editor_dlg.h"
#include "test_util.h"
#include "ui/backend.h"
#include "zones/zone_list.h"
#ifndef _WIN32
#include "gfx/cairo/raster_cairo.h"
#endif

using namespace qz;

namespace {

PictPoint Rect(float R, float X) {
    return {1, R, X};
}

std::unique_ptr<CPictLine> Side(PictPoint z, float inclination) {
    auto line = std::make_unique<CPictLine>();
    line->ptZ = z;
    line->fInclination = inclination;
    return line;
}

struct GraphEditorTest : qztest::DialogSessionTest {
    ui::MessageBoxRoute route;  // the file messages reach the session
    qztest::TempDir dir;

    Text Start(const PictList& list) {
        Text path = dir.text("start.tmp");
        EXPECT_TRUE(SavePictFile(path, list, PictForm::kNumeric));
        return path;
    }
    PictList Written() {
        PictList list;
        EXPECT_TRUE(LoadPictFile(dir.text("graph.tmp"), list, PictForm::kNumeric));
        return list;
    }
};

}  // namespace

TEST_F(GraphEditorTest, PolygonRowsFollowAddInsertDeleteAndTheKindSwitch) {
    CDlg_Import_Graph dlg(dir.text());
    dlg.nCharKind = kCharPolygon;
    int result = Run(dlg, R"s(
expect-rows 4000 1
expect-current-row 4000 0
click 4320
expect-text 4380 "0.000 Ω"
type 4380 1
click 4384
click 4320
expect-text 4380 "1.000 Ω"
type 4380 2
type 4382 90
click 4384
click 4320
type 4380 3
type 4382 45
click 4384
expect-current-row 4000 3
# Before row 3: the dialog starts from row 2, the new element is row 3 and
# the last row is selected.
grid-click 4000 3 1
grid-rclick 4000 3 1
menu 4314
expect-text 4380 "2.000 Ω"
expect-text 4382 "90.000 °"
type 4380 9
click 4384
expect-current-row 4000 4
expect-cell 4000 3 0 "3"
expect-cell 4000 3 2 "Z = 9.000 + j 0.000,  直线倾角 = 90.000; "
expect-cell 4000 4 2 "Z = 3.000 + j 0.000,  直线倾角 = 45.000; "
# Before row 1 the dialog has its own starting values; cancelled, nothing changes.
grid-click 4000 1 2
grid-rclick 4000 1 2
menu 4314
expect-text 4382 "0.000 °"
click 4385
expect-rows 4000 5
expect-current-row 4000 1
# Deleting row 1: No keeps it, Yes selects the row that moved up.
grid-rclick 4000 1 2
menu 4312
expect-message "确认: 删除当前图元记录?                    " "删除图元" question
expect-buttons yes-no
answer no
expect-rows 4000 5
grid-rclick 4000 1 2
menu 4312
answer yes
expect-current-row 4000 1
expect-cell 4000 1 2 "Z = 2.000 + j 0.000,  直线倾角 = 90.000; "
# The last of three.
grid-click 4000 3 1
grid-rclick 4000 3 1
menu 4312
answer yes
expect-rows 4000 3
expect-current-row 4000 2
# Another kind empties the list without a question.
click 4315
expect-rows 4000 1
expect-messages 3
click 4320
click 4351
expect-current-row 4000 1
grid-rclick 4000 1 1
menu 4312
answer yes
expect-current-row 4000 0
expect-rows 4000 1
click 1
)s");
    EXPECT_EQ(result, kIdOk);
    EXPECT_EQ(dlg.nCharKind, kCharCircle);
    // An empty list still writes its file: the count 0 alone.
    EXPECT_EQ(dlg.strPictFile, dir.text("graph.tmp"));
    EXPECT_EQ(qztest::ReadText(dir.path() / "graph.tmp"), std::string(4, '\0'));
    EXPECT_TRUE(dlg.Elements().empty());  // gone with the window
}

// Two keystrokes must not wipe a drawing: the chosen kind has the focus and
// choosing it again keeps the list; only another kind empties it.
TEST_F(GraphEditorTest, TheChosenKindHasTheFocusAndKeepsItsElements) {
    CDlg_Import_Graph dlg(dir.text());
    dlg.nCharKind = kCharPolygon;
    PictList two;
    two.push_back(Side(Rect(1, 2), 30));
    two.push_back(Side(Rect(3, 4), 60));
    dlg.startElements = std::move(two);
    EXPECT_EQ(Run(dlg, R"s(
expect-focus 4316
click 4316
expect-rows 4000 3
click 4317
expect-rows 4000 1
click 1
)s"),
              kIdOk);
    EXPECT_EQ(dlg.nCharKind, kCharLens);
    EXPECT_TRUE(dlg.arrResult.empty());
}

// Without a working folder nothing is written anywhere, and the elements
// come back in memory.
TEST_F(GraphEditorTest, WithoutAWorkingFolderTheElementsStayInMemory) {
    const std::filesystem::path root = std::filesystem::path("/") / "graph.tmp";
    if (std::filesystem::exists(root)) GTEST_SKIP() << root << " is there already";
    CDlg_Import_Graph dlg{Text()};
    dlg.nCharKind = kCharCircle;
    EXPECT_EQ(Run(dlg, "click 4320\nclick 4351\nclick 1\n"), kIdOk);
    EXPECT_EQ(dlg.strPictFile, u"");
    EXPECT_EQ(dlg.arrResult.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(root));
}

TEST_F(GraphEditorTest, AnArcIsAPolygonSideEditedAsCentreAndRadius) {
    PictList start;
    start.push_back(Side(Rect(0, 0), 0));
    auto arc = std::make_unique<CPictArc>();
    arc->ptZ0 = Rect(5, 0);
    arc->fRadius = 90;
    arc->ptZ1 = {0, 2, 30};
    arc->ptZ2 = Rect(-1, 4);
    arc->nClockwise = 1;
    start.push_back(std::move(arc));
    start.push_back(Side(Rect(0, 5), 180));
    start.push_back(Side({0, 0, 0}, 270));
    CDlg_Import_Graph dlg(dir.text());
    dlg.nCharKind = kCharPolygon;
    dlg.strPictFile = Start(start);
    int result = Run(dlg, R"s(
expect-current-row 4000 1
expect-cell 4000 2 1 "圆弧"
expect-cell 4000 2 2 "圆心 Z0 = 5.000 + j 0.000,  半径 R = 90.000,  Z1 = 2.000 ∠ 30.000,  Z2 = -1.000 + j 4.000,  顺时针"
expect-cell 4000 4 2 "Z = 0.000 ∠ 0.000,  直线倾角 = 270.000; "
grid-dblclick 4000 2 2
expect-dialog 1102
expect-list 4379 1
expect-text 4380 "5.000 Ω"
expect-text 4382 "90.000 °"
type 4380 6
click 4384
expect-current-row 4000 2
expect-cell 4000 2 2 "圆心 Z0 = 6.000 + j 0.000,  半径 R = 90.000,  Z1 = 6.000 + j 0.000,  Z2 = 6.000 + j 5.000,  顺时针"
click 1
)s");
    ASSERT_EQ(result, kIdOk);
    // The arc took its place among the sides: (0, 0) (6, 0) (6, 5) (0, 5).
    PictList out = Written();
    ASSERT_EQ(out.size(), 4u);
    const auto& a = dynamic_cast<const CPictArc&>(*out[1]);
    EXPECT_EQ(a.fRadius, 90.0f);
    EXPECT_EQ(a.ptZ0.fValue1, 6.0f);
    EXPECT_EQ(a.nClockwise, 1);
    const float vertices[5][2] = {{0, 0}, {6, 0}, {6, 5}, {0, 5}, {0, 0}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const PictPoint& z1 = i == 1 ? a.ptZ1 : dynamic_cast<const CPictLine&>(*out[i]).ptZ1;
        const PictPoint& z2 = i == 1 ? a.ptZ2 : dynamic_cast<const CPictLine&>(*out[i]).ptZ2;
        EXPECT_NEAR(z1.Rect().R, vertices[i][0], 1e-5);
        EXPECT_NEAR(z1.Rect().X, vertices[i][1], 1e-5);
        EXPECT_NEAR(z2.Rect().R, vertices[i + 1][0], 1e-5);
        EXPECT_NEAR(z2.Rect().X, vertices[i + 1][1], 1e-5);
    }
    // The arc, the selected row, is the one drawn with the thick pen.
    EXPECT_EQ(dlg.Plot().nHighlightRow, 2);
}

TEST_F(GraphEditorTest, CirclesAndLensesHoldOneElementAndTheMenuSaysSo) {
    CDlg_Import_Graph dlg(dir.text());
    dlg.strPictFile = Start({});
    int result = Run(dlg, R"s(
grid-rclick 4000 0 1
expect-greyed "编辑 (&E)" "删除 (&D)" 清空列表 "插入 (&I)"
expect-ungreyed "新增 (&A)"
menu 4310
expect-dialog 1103
click 4351
expect-cell 4000 1 1 "圆"
expect-cell 4000 1 2 "Z1 = 1.000 ∠ 78.000,  Z2 = 0.000 ∠ 0.000,  偏转角 = 0.000; "
click 4320
expect-message "圆特性只能有一个图元参数 !" "QuarnZGraph" error
answer ok
grid-rclick 4000 1 1
expect-greyed "新增 (&A)" "插入 (&I)"
expect-ungreyed "编辑 (&E)" "删除 (&D)" 清空列表
expect-refused menu 4314
menu 4311
expect-dialog 1103
expect-text 4344 "78.000 °"
type 4350 30
click 4351
expect-cell 4000 1 2 "Z1 = 1.000 ∠ 78.000,  Z2 = 0.000 ∠ 0.000,  偏转角 = 30.000; "
click 4317
expect-rows 4000 1
click 4320
expect-dialog 1105
click 4414
expect-cell 4000 1 1 "透镜"
expect-cell 4000 1 2 "Z1 = 1.000 ∠ 78.000,  Z2 = 0.000 ∠ 0.000,  透镜内角 = 120.000; (透镜宽度 A = 0.577;  A/B = 0.577;) "
click 4320
expect-message "透镜特性只能有一个图元参数 !" "QuarnZGraph" error
answer ok
grid-rclick 4000 1 1
menu 4313
expect-message "确认: 清空当前所有的图元记录?              " "清空图元" question
answer no
expect-rows 4000 2
grid-rclick 4000 1 1
menu 清空列表
answer yes
expect-rows 4000 1
expect-current-row 4000 0
escape
)s");
    EXPECT_EQ(result, kIdCancel);
    EXPECT_EQ(dlg.nCharKind, kCharLens);
    EXPECT_EQ(dlg.strPictFile, u"");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "graph.tmp"));
}

TEST_F(GraphEditorTest, StartingFilesThatDoNotReadAndWritesThatFail) {
    std::filesystem::create_directory(dir.path() / "folder.tmp");
    std::vector<std::uint8_t> unknown = qztest::Store([](CArchiveWriter& ar) {
        ar.WriteInt32(1);
        ar.WriteInt32(7);
        ar.WriteString(u"1.00");
        ar.WriteString(u"Z1_LE");
    });
    ASSERT_TRUE(SaveFileReplacing(dir.text("unknown.tmp"), unknown));
    struct Case {
        const char* file;
        const char* message;
    };
    for (Case c :
         {Case{"none.tmp", "没有找到文件 %s !"}, Case{"folder.tmp", "文件 %s 打开失败 !"},
          Case{"unknown.tmp", "文件 %s 已损坏, 无法读取 (unknown element kind 7 at byte 4) !"}}) {
        SCOPED_TRACE(c.file);
        CDlg_Import_Graph dlg(dir.text());
        dlg.strPictFile = dir.text(c.file);
        std::string message = FormatUtf8(c.message, QuoteForMessage(dlg.strPictFile).c_str());
        std::string script;
        for (char ch : message) script += ch == '\\' ? std::string("\\\\") : std::string(1, ch);
        script = "expect-message \"" + script + "\" QuarnZGraph error\nanswer ok\n" +
                 "expect-rows 4000 1\nexpect-current-row 4000 0\nclick 2\n";
        EXPECT_EQ(Run(dlg, script.c_str()), kIdCancel);
    }

    // The caller's elements in, and after OK the elements, the file written
    // and the kind back: the elements even when the folder takes no file.
    PictList one;
    one.push_back(Side(Rect(1, 2), 30));
    CDlg_Import_ProtEdit::GraphRequest request{3, {1, 2, 3, 4}, {}, ClonePicts(one), kCharPolygon};
    user.Play("expect-rows 4000 2\nclick 4317\nclick 1\n");
    EXPECT_TRUE(RunGraphEditor(dir.text(), request));
    EXPECT_TRUE(user.Finish());
    EXPECT_EQ(request.strPictFile, dir.text("graph.tmp"));
    EXPECT_EQ(request.nCharKind, kCharLens);
    EXPECT_TRUE(request.elements.empty());
    request.nCharKind = kCharPolygon;
    request.elements = ClonePicts(one);
    user.Play("expect-rows 4000 2\nclick 1\n");
    EXPECT_TRUE(RunGraphEditor(dir.text("no such folder"), request));
    EXPECT_TRUE(user.Finish());
    EXPECT_EQ(request.strPictFile, u"");
    EXPECT_EQ(request.elements.size(), 1u);
    request.strPictFile = Start(one);
    request.elements.clear();
    user.Play("close\n");
    EXPECT_FALSE(RunGraphEditor(dir.text(), request));
    EXPECT_TRUE(user.Finish());
    EXPECT_EQ(request.strPictFile, dir.text("start.tmp"));
    EXPECT_TRUE(request.elements.empty());
}

TEST_F(GraphEditorTest, TheExampleQuadrilateralIsClosed) {
    CDlg_Import_Graph dlg(dir.text());
    dlg.nCharKind = kCharPolygon;
    std::string script = qztest::ReadText(std::filesystem::path(QZ_SOURCE_DIR) /
                                          "examples/sessions/grapheditor/quadrilateral.session");
    ASSERT_EQ(Run(dlg, script.c_str()), kIdOk);
    // Each side ends where the next starts, the last closing onto the first,
    // at a vertex on both sides.
    PictList out = Written();
    ASSERT_EQ(out.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const auto& s = dynamic_cast<const CPictLine&>(*out[i]);
        const auto& next = dynamic_cast<const CPictLine&>(*out[(i + 1) % 4]);
        EXPECT_EQ(s.ptZ2.Rect().R, next.ptZ1.Rect().R);
        EXPECT_EQ(s.ptZ2.Rect().X, next.ptZ1.Rect().X);
        for (const CPictLine* l : {&s, &next}) {
            RectValue v = s.ptZ2.Rect(), z = l->ptZ.Rect();
            double t = l->fInclination * kPi / 180;
            EXPECT_NEAR((v.R - z.R) * std::sin(t) - (v.X - z.X) * std::cos(t), 0, 1e-3);
        }
    }
    EXPECT_EQ(dynamic_cast<const CPictLine&>(*out[2]).fInclination, -5.0f);
}

#ifndef _WIN32
// Each element kind as the editor draws it, pixel for pixel as `quarnz plot`
// draws the same zone from a zone parameter file.
TEST_F(GraphEditorTest, ThePlotIsTheOneQuarnzPlotDraws) {
    CZoneLists zones;
    auto zone = std::make_unique<CZone>();
    zone->strTag = u"G1";
    zone->setting = {2, 9, 70, 3};
    zones.arrZones.push_back(std::move(zone));
    auto mho = std::make_unique<CPictMho>();  // row 1: selected, but never thick
    mho->ptZ1 = {0, 8, 75};
    mho->ptZ2 = Rect(-1, -1);
    mho->fShiftAngle = 20;
    auto line = Side(Rect(0, -2), 10);  // drawn between its stored ends
    line->ptZ1 = Rect(-6, -3);
    line->ptZ2 = Rect(7, -1);
    auto arc = std::make_unique<CPictArc>();
    arc->ptZ0 = Rect(2, 3);
    arc->fRadius = 4;
    arc->ptZ1 = Rect(6, 3);
    arc->ptZ2 = {0, 1, 200};
    auto lens = std::make_unique<CPictLens>();
    lens->ptZ1 = {0, 10, 80};
    lens->ptZ2 = {0, 2, 250};
    lens->fInnerAngle = 115;
    zones.arrPicts.push_back(std::move(mho));
    zones.arrPicts.push_back(std::move(line));
    zones.arrPicts.push_back(std::move(arc));
    zones.arrPicts.push_back(std::move(lens));
    for (auto& p : zones.arrPicts) p->strZoneTag = u"G1";
    ASSERT_TRUE(zones.SaveZoneFile(dir.text("zone.zone")));

    using Raster = gfx::CRasterCanvas;
    user.SetPictureCanvas([](int w, int h) { return std::make_unique<Raster>(w, h); },
                          [](const gfx::CCanvas& c, const std::string& path) {
                              return static_cast<const Raster&>(c).SavePng(path);
                          });
    CDlg_Import_Graph dlg(dir.text());
    dlg.nCharKind = kCharPolygon;
    dlg.setting = {2, 9, 70, 3};
    dlg.strPictFile = Start(zones.arrPicts);
    std::string editorPng = (dir.path() / "editor.png").string();
    std::string script = "snapshot 4321 \"" + editorPng + "\"\nclick 2\n";
    ASSERT_EQ(Run(dlg, script.c_str()), kIdCancel);

    const ui::Rect& r = dlg.Item(res::kGraphPreview).rect;
    std::string size = std::to_string(r.Width()) + "x" + std::to_string(r.Height());
    std::string toolPng = (dir.path() / "tool.png").string();
    qztest::ToolRun run = qztest::Quarnz("plot '" + (dir.path() / "zone.zone").string() +
                                             "' --zone G1 --size " + size + " -o '" + toolPng + "'",
                                         dir);
    ASSERT_EQ(run.status, 0) << run.err;
    std::string drawn = qztest::ReadText(editorPng);
    EXPECT_FALSE(drawn.empty());
    EXPECT_TRUE(drawn == qztest::ReadText(toolPng));
}
#endif
