#include "dialogs/grapheditor/graph_editor_dlg.h"

#include <algorithm>
#include <utility>

#include "base/msgbox.h"
#include "base/platform.h"
#include "dialogs/grapheditor/element_dlgs.h"
#include "records/geometry.h"
#include "resources/resource_ids.h"
#include "ui/menu.h"
#include "zones/zone_list.h"

namespace qz {

namespace {

constexpr TextView kGraphFileName = u"graph.tmp";
constexpr int kRowHeight = 280;  // twips
constexpr int kColWidths[3] = {600, 600, 8800};
constexpr short kColAligns[3] = {ui::kAlignCenterCenter, ui::kAlignCenterCenter,
                                 ui::kAlignLeftCenter};
constexpr const char16_t* kHeadings[3] = {u"序号", u"图元", u"参数"};

// A point in its own form, `name` in front: "Z1 = 1.000 ∠ 78.000,  ".
Text PointText(const char* name, const PictPoint& p) {
    return Format(p.nCoord == 0 ? "%s = %.3f ∠ %.3f,  " : "%s = %.3f + j %.3f,  ", name,
                  double(p.fValue1), double(p.fValue2));
}

// Kind name and parameters of a table row; empty for a class the editor
// does not know.
std::pair<Text, Text> RowTexts(const CPict& pict) {
    if (const auto* m = dynamic_cast<const CPictMho*>(&pict))
        return {u"圆", PointText("Z1", m->ptZ1) + PointText("Z2", m->ptZ2) +
                           Format("偏转角 = %.3f; ", double(m->fShiftAngle))};
    if (const auto* l = dynamic_cast<const CPictLine*>(&pict))
        return {u"直线",
                PointText("Z", l->ptZ) + Format("直线倾角 = %.3f; ", double(l->fInclination))};
    if (const auto* a = dynamic_cast<const CPictArc*>(&pict))
        return {u"圆弧", PointText("圆心 Z0", a->ptZ0) +
                             Format("半径 R = %.3f,  ", double(a->fRadius)) +
                             PointText("Z1", a->ptZ1) + PointText("Z2", a->ptZ2) +
                             (a->nClockwise == 0 ? u"逆时针" : u"顺时针")};
    if (const auto* s = dynamic_cast<const CPictLens*>(&pict))
        return {u"透镜", PointText("Z1", s->ptZ1) + PointText("Z2", s->ptZ2) +
                             Format("透镜内角 = %.3f; ", double(s->fInnerAngle)) +
                             Format("(透镜宽度 A = %.3f; ", double(s->fWidthA)) +
                             Format(" A/B = %.3f;) ", double(s->fRatioAB))};
    return {};
}

// A dialog's point into an element's: the form and the values; the
// element's formulas stay.
void TakeValues(PictPoint& to, const PictPoint& from) {
    to.nCoord = from.nCoord;
    to.fValue1 = from.fValue1;
    to.fValue2 = from.fValue2;
}

// The line dialog's point and inclination stand for a line's point Z and
// inclination, and for an arc's centre and radius.
struct PolygonSide {
    PictPoint* z = nullptr;
    float* inclination = nullptr;
};
PolygonSide SideOf(CPict& pict) {
    if (auto* l = dynamic_cast<CPictLine*>(&pict)) return {&l->ptZ, &l->fInclination};
    if (auto* a = dynamic_cast<CPictArc*>(&pict)) return {&a->ptZ0, &a->fRadius};
    return {};
}

}  // namespace

CDlg_Import_Graph::CDlg_Import_Graph(Text workPath)
    : CDialog(res::kDlgGraph), strWorkPath(std::move(workPath)) {
    ExposeCurrentRow(res::kGridElements, nCurRow);
}

void CDlg_Import_Graph::DoDataExchange(ui::CDataExchange& dx) {
    ui::DDX_Radio(dx, res::kRadioCircle, nCharKind);
}

bool CDlg_Import_Graph::OnInitDialog() {
    CDialog::OnInitDialog();
    arrPicts.clear();
    if (startElements)
        arrPicts = ClonePicts(*startElements);
    else if (!strPictFile.empty())
        LoadGraphFile(strPictFile);
    nCurRow = arrPicts.empty() ? 0 : 1;
    RefreshAll();
    // On the chosen kind: on the first radio, Space or an arrow key would
    // switch the kind and so empty the list.
    GotoDlgCtrl(res::kRadioCircle + std::clamp(nCharKind, 0, 2));
    return false;
}

void CDlg_Import_Graph::RefreshAll() {
    UpdateData(false);
    FillTable();
    plot.Show(*this, setting, arrPicts, nCurRow);
}

void CDlg_Import_Graph::FillTable() {
    ui::CMSFlexGrid& grid = Table();
    grid.SetRedraw(false);
    grid.SetAllowUserResizing(1);
    grid.Clear();
    grid.SetRows(int(arrPicts.size()) + 1);
    grid.SetCols(3);
    for (int r = 0; r < grid.GetRows(); ++r) grid.SetRowHeight(r, kRowHeight);
    if (nCurRow >= grid.GetRows()) nCurRow = grid.GetRows() - 1;
    for (int c = 0; c < 3; ++c) {
        grid.SetTextMatrix(0, c, kHeadings[c]);
        grid.SetColAlignment(c, kColAligns[c]);
        // Widths the user set stay for the life of the dialog.
        if (!columnsLaidOut_) grid.SetColWidth(c, kColWidths[c]);
    }
    columnsLaidOut_ = true;
    for (int c = 0; c < 3; ++c) {
        grid.SetRow(0);
        grid.SetCol(c);
        grid.SetCellAlignment(ui::kAlignCenterCenter);
    }
    for (std::size_t i = 0; i < arrPicts.size(); ++i) {
        int r = int(i) + 1;
        auto [kind, parameters] = RowTexts(*arrPicts[i]);
        grid.SetTextMatrix(r, 0, Format("%d", r));
        grid.SetTextMatrix(r, 1, kind);
        grid.SetTextMatrix(r, 2, parameters);
    }
    grid.SetRedraw(true);
    grid.Refresh();
    ui::EnsureRowVisible(grid, nCurRow);
    grid.SetRow(nCurRow);
    grid.SetCol(grid.GetFixedCols());
    grid.SetColSel(grid.GetCols() - 1);
}

bool CDlg_Import_Graph::MayAddElement() {
    if (arrPicts.empty() || (nCharKind != kCharCircle && nCharKind != kCharLens)) return true;
    MessageBox(
        nCharKind == kCharCircle ? u"圆特性只能有一个图元参数 !" : u"透镜特性只能有一个图元参数 !",
        kModuleName, kMbOk | kMbIconError);
    return false;
}

void CDlg_Import_Graph::NewElement(int position) {
    if (position == -1) position = int(arrPicts.size());
    std::unique_ptr<CPict> made;
    if (nCharKind == kCharCircle) {
        CDlg_Import_Graph_Mho dlg;
        if (dlg.DoModal() != kIdOk) return;
        auto mho = std::make_unique<CPictMho>();
        TakeValues(mho->ptZ1, dlg.ptZ1);
        TakeValues(mho->ptZ2, dlg.ptZ2);
        mho->fShiftAngle = dlg.fShiftAngle;
        made = std::move(mho);
    } else if (nCharKind == kCharPolygon) {
        CDlg_Import_Graph_Polygon dlg;
        // A new side starts where the side before it lies.
        if (position >= 1 && position <= int(arrPicts.size())) {
            PolygonSide before = SideOf(*arrPicts[std::size_t(position - 1)]);
            if (before.z) {
                TakeValues(dlg.ptZ, *before.z);
                dlg.fInclination = *before.inclination;
            }
        }
        if (dlg.DoModal() != kIdOk) return;
        auto line = std::make_unique<CPictLine>();
        TakeValues(line->ptZ, dlg.ptZ);
        line->fInclination = dlg.fInclination;
        made = std::move(line);
    } else if (nCharKind == kCharLens) {
        CDlg_Import_Graph_Lens dlg;
        if (dlg.DoModal() != kIdOk) return;
        auto lens = std::make_unique<CPictLens>();
        TakeValues(lens->ptZ1, dlg.ptZ1);
        TakeValues(lens->ptZ2, dlg.ptZ2);
        lens->fInnerAngle = dlg.fInnerAngle;
        lens->fWidthA = dlg.fWidthA;
        lens->fRatioAB = dlg.fRatioAB;
        made = std::move(lens);
    } else {
        return;
    }
    InsertElement(std::move(made), position);
}

void CDlg_Import_Graph::InsertElement(std::unique_ptr<CPict> pict, int position) {
    position = std::clamp(position, 0, int(arrPicts.size()));
    arrPicts.insert(arrPicts.begin() + position, std::move(pict));
    LinkPolygon();
    // The last row, wherever the new element went.
    nCurRow = int(arrPicts.size());
    RefreshAll();
}

void CDlg_Import_Graph::EditElement() {
    if (nCurRow <= 0 || nCurRow > int(arrPicts.size())) return;
    CPict& e = *arrPicts[std::size_t(nCurRow - 1)];
    // Each element is edited in the dialog of its own class, so that only
    // fields it has are shown and written; for the elements the kind builds
    // that is the kind's dialog, and an arc edits as a polygon's side.
    if (auto* mho = dynamic_cast<CPictMho*>(&e)) {
        CDlg_Import_Graph_Mho dlg;
        TakeValues(dlg.ptZ1, mho->ptZ1);
        TakeValues(dlg.ptZ2, mho->ptZ2);
        dlg.fShiftAngle = mho->fShiftAngle;
        if (dlg.DoModal() != kIdOk) return;
        TakeValues(mho->ptZ1, dlg.ptZ1);
        TakeValues(mho->ptZ2, dlg.ptZ2);
        mho->fShiftAngle = dlg.fShiftAngle;
    } else if (PolygonSide side = SideOf(e); side.z) {
        CDlg_Import_Graph_Polygon dlg;
        TakeValues(dlg.ptZ, *side.z);
        dlg.fInclination = *side.inclination;
        if (dlg.DoModal() != kIdOk) return;
        TakeValues(*side.z, dlg.ptZ);
        *side.inclination = dlg.fInclination;
    } else if (auto* lens = dynamic_cast<CPictLens*>(&e)) {
        CDlg_Import_Graph_Lens dlg;
        TakeValues(dlg.ptZ1, lens->ptZ1);
        TakeValues(dlg.ptZ2, lens->ptZ2);
        dlg.fInnerAngle = lens->fInnerAngle;
        dlg.fWidthA = lens->fWidthA;
        dlg.fRatioAB = lens->fRatioAB;
        if (dlg.DoModal() != kIdOk) return;
        TakeValues(lens->ptZ1, dlg.ptZ1);
        TakeValues(lens->ptZ2, dlg.ptZ2);
        lens->fInnerAngle = dlg.fInnerAngle;
        lens->fWidthA = dlg.fWidthA;
        lens->fRatioAB = dlg.fRatioAB;
    } else {
        return;
    }
    ElementEdited();
}

void CDlg_Import_Graph::ElementEdited() {
    LinkPolygon();
    RefreshAll();
}

void CDlg_Import_Graph::RemoveElement(int row) {
    if (row <= 0 || row > int(arrPicts.size())) return;
    arrPicts.erase(arrPicts.begin() + (row - 1));
    LinkPolygon();
    // The row keeps its number: the one that moved up is selected, or after
    // the last row the new last one (FillTable).
    RefreshAll();
}

void CDlg_Import_Graph::LinkPolygon() {
    if (nCharKind == kCharPolygon) qz::LinkPolygon(arrPicts);
}

void CDlg_Import_Graph::OnDeleteElement() {
    if (nCurRow <= 0 || nCurRow > int(arrPicts.size())) return;
    if (MessageBox(Text(u"确认: 删除当前图元记录?") + Text(20, u' '), u"删除图元",
                   kMbYesNo | kMbIconQuestion) != kIdYes)
        return;
    RemoveElement(nCurRow);
}

void CDlg_Import_Graph::OnClearElements() {
    if (MessageBox(Text(u"确认: 清空当前所有的图元记录?") + Text(14, u' '), u"清空图元",
                   kMbYesNo | kMbIconQuestion) != kIdYes)
        return;
    arrPicts.clear();
    nCurRow = 0;
    RefreshAll();
}

void CDlg_Import_Graph::OnCommand(int id) {
    switch (id) {
        case res::kRadioCircle:
        case res::kRadioPolygon:
        case res::kRadioLens: {
            // Elements of one kind do not make another: the list starts
            // empty.  The kind already chosen keeps its elements.
            int before = nCharKind;
            UpdateData(true);
            if (nCharKind == before) break;
            arrPicts.clear();
            RefreshAll();
            break;
        }
        case res::kBtnNewElement:
        case res::kCmdElementAdd:
            if (MayAddElement()) NewElement(-1);
            break;
        case res::kCmdElementInsert:
            if (MayAddElement()) NewElement(nCurRow >= 1 ? nCurRow - 1 : -1);
            break;
        case res::kCmdElementEdit:
            EditElement();
            break;
        case res::kCmdElementDelete:
            OnDeleteElement();
            break;
        case res::kCmdElementClear:
            OnClearElements();
            break;
        default:
            break;
    }
}

void CDlg_Import_Graph::OnGridEvent(int id, int event) {
    if (id != res::kGridElements) return;
    ui::CMSFlexGrid& grid = Table();
    int lastRow = grid.GetRows() - 1;
    if (event == ui::kGridSelChange) {
        nCurRow = std::min(grid.GetRow(), lastRow);
        RefreshAll();
    } else if (event == ui::kGridDblClick) {
        nCurRow = std::min(grid.GetMouseRow(), lastRow);
        EditElement();
    }
}

bool CDlg_Import_Graph::OnRightButtonUp(int id, ui::Point screen) {
    if (id != res::kGridElements) return false;
    ui::PopupMenu menu(res::kMenuGraph);
    if (arrPicts.empty()) {
        for (int cmd : {res::kCmdElementEdit, res::kCmdElementDelete, res::kCmdElementClear,
                        res::kCmdElementInsert})
            menu.EnableMenuItem(cmd, false);
    } else if (nCharKind == kCharCircle || nCharKind == kCharLens) {
        for (int cmd : {res::kCmdElementAdd, res::kCmdElementInsert})
            menu.EnableMenuItem(cmd, false);
    }
    TrackPopupMenu(menu, screen);
    return true;
}

void CDlg_Import_Graph::OnOK() {
    arrResult = ClonePicts(arrPicts);
    // Never outside the working folder: without one the list goes in memory only.
    Text path = strWorkPath.empty() ? Text() : JoinPath(strWorkPath, kGraphFileName);
    strPictFile = !path.empty() && SaveGraphFile(path) ? path : Text();
    EndDialog(kIdOk);
}

void CDlg_Import_Graph::OnCancel() {
    strPictFile.clear();
    EndDialog(kIdCancel);
}

void CDlg_Import_Graph::OnClose() {
    OnCancel();
}

void CDlg_Import_Graph::OnDestroy() {
    arrPicts.clear();
}

void CDlg_Import_Graph::OnPaint(gfx::CCanvas& dc) {
    plot.PaintIn(*this, dc);
}

bool CDlg_Import_Graph::LoadGraphFile(const Text& path) {
    return LoadPictFile(path, arrPicts, PictForm::kNumeric, FileFaults::kShown);
}

bool CDlg_Import_Graph::SaveGraphFile(const Text& path) const {
    return SavePictFile(path, arrPicts, PictForm::kNumeric);
}

bool RunGraphEditor(const Text& workPath, CDlg_Import_ProtEdit::GraphRequest& request) {
    CDlg_Import_Graph dlg(workPath);
    dlg.nID = request.nID;
    dlg.setting = request.setting;
    dlg.startElements = ClonePicts(request.elements);
    dlg.nCharKind = request.nCharKind;
    if (dlg.DoModal() != kIdOk) return false;
    request.strPictFile = dlg.strPictFile;
    request.elements = std::move(dlg.arrResult);
    request.nCharKind = dlg.nCharKind;
    return true;
}

}  // namespace qz
