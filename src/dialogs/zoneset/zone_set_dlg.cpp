#include "dialogs/zoneset/zone_set_dlg.h"

#include <algorithm>

#include "base/helpers.h"
#include "base/platform.h"
#include "dialogs/grapheditor/graph_editor_dlg.h"
#include "dialogs/import/import_prot_dlg.h"
#include "resources/resource_ids.h"
#include "ui/menu.h"

namespace qz {

namespace {
constexpr int kRowHeight = 330;  // twips
constexpr int kColWidths[4] = {1000, 1000, 1800, 5200};
constexpr short kColAligns[4] = {ui::kAlignCenterCenter, ui::kAlignCenterCenter,
                                 ui::kAlignLeftCenter, ui::kAlignLeftCenter};
constexpr const char16_t* kHeadings[4] = {u"显示", u"标记", u"区段名称", u"整定阻抗"};
}  // namespace

CDlg_ZoneSet::CDlg_ZoneSet(CZoneLists& lists, Text workPath, TemplateSource database)
    : CDialog(res::kDlgZoneSet),
      lists_(lists),
      workPath_(std::move(workPath)),
      database_(std::move(database)) {
    ExposeCurrentRow(res::kGridZones, nCurRow);
}

void CDlg_ZoneSet::DoDataExchange(ui::CDataExchange& dx) {
    ui::DDX_Text(dx, res::kEditAllowedError, strAllowedError);
}

bool CDlg_ZoneSet::OnInitDialog() {
    CDialog::OnInitDialog();
    nCurRow = lists_.arrZones.empty() ? 0 : 1;
    FillGrid();
    return true;
}

void CDlg_ZoneSet::FillGrid() {
    RefreshGrid(kAllRows);
}

void CDlg_ZoneSet::ShowNumber(int r) {
    const CZone& z = *lists_.arrZones[std::size_t(r - 1)];
    Table().SetTextMatrix(r, 0, Format("%3d", r) + (z.nShow != 0 ? u"  √" : u"    "));
}

void CDlg_ZoneSet::ShowRow(int r) {
    const CZone& z = *lists_.arrZones[std::size_t(r - 1)];
    ui::CMSFlexGrid& grid = Table();
    ShowNumber(r);
    grid.SetTextMatrix(r, 1, z.strTag);
    grid.SetTextMatrix(r, 2, z.strZoneName);
    grid.SetTextMatrix(r, 3, SettingText(z.setting));
}

// A table of 100,000 zones is not refilled for one changed row: the grid
// ends as a whole refill leaves it, with only `rows` written anew.
void CDlg_ZoneSet::RefreshGrid(int rows) {
    strAllowedError = Format("%.3f %%", double(lists_.fAllowedError * 100));
    UpdateData(false);

    ui::CMSFlexGrid& grid = Table();
    grid.SetRedraw(false);
    grid.SetAllowUserResizing(1);
    if (rows == kAllRows) {
        grid.Clear();
        grid.SetRows(int(lists_.arrZones.size()) + 1);
        grid.SetCols(4);
        grid.SetFixedCols(2);
        for (int r = 0; r < grid.GetRows(); ++r) grid.SetRowHeight(r, kRowHeight);
    }
    if (nCurRow >= grid.GetRows()) nCurRow = grid.GetRows() - 1;
    for (int c = 0; c < 4; ++c) {
        // Widths the user set stay for the life of the dialog.
        if (!columnsLaidOut_) grid.SetColWidth(c, kColWidths[c]);
        grid.SetColAlignment(c, kColAligns[c]);
        grid.SetTextMatrix(0, c, kHeadings[c]);
    }
    for (int c = 0; c < 4; ++c) {
        grid.SetRow(0);
        grid.SetCol(c);
        grid.SetCellAlignment(ui::kAlignCenterCenter);
    }
    columnsLaidOut_ = true;
    if (rows == kAllRows) {
        for (int r = 1; r < grid.GetRows(); ++r) ShowRow(r);
    } else if (rows > 0) {
        ShowRow(rows);
    }
    // The row the commands act on is the one shown selected, after every
    // refresh too; setting it raises no event.
    if (nCurRow >= 1) {
        grid.SetRow(nCurRow);
        grid.SetCol(grid.GetFixedCols());
        grid.SetColSel(grid.GetCols() - 1);
    }
    grid.SetRedraw(true);
    grid.Refresh();
    ui::EnsureRowVisible(grid, nCurRow);
}

void CDlg_ZoneSet::ApplyAllowedError() {
    if (bErrorEdited == 1)
        lists_.fAllowedError = TextToNumberInRange(strAllowedError, 1000, 0) / 100;
    RefreshGrid(kNoRows);
}

void CDlg_ZoneSet::OnOK() {
    // On the table Enter edits the current zone, as a double click does.
    if (GetFocusId() == res::kGridZones) {
        OnEditZone();
        return;
    }
    // Enter applies what was typed; only the buttons end the dialog.
    UpdateData(true);
    ApplyAllowedError();
    SelectFocusedText();
}

void CDlg_ZoneSet::OnCancel() {
    // Escape shows the stored value again.
    ApplyAllowedError();
}

void CDlg_ZoneSet::OnSetFocus(int id) {
    if (id == res::kEditAllowedError) bErrorEdited = 1;
}

void CDlg_ZoneSet::OnKillFocus(int id) {
    if (id != res::kEditAllowedError) return;
    if (GetDlgItemText(id) == strAllowedError) return;
    UpdateData(true);
    ApplyAllowedError();
}

void CDlg_ZoneSet::OnCommand(int id) {
    switch (id) {
        case res::kBtnZoneSetOk:
            UpdateData(true);
            EndDialog(kIdOk);
            break;
        case res::kBtnZoneSetCancel:
            EndDialog(kIdCancel);
            break;
        case res::kCmdImport:
            OnImportZone();
            break;
        case res::kCmdCustom:
            OnCustomZone();
            break;
        case res::kCmdEdit:
            OnEditZone();
            break;
        case res::kCmdDelete:
            OnDeleteZone();
            break;
        case res::kCmdClear:
            OnClearZones();
            break;
        default:
            break;
    }
}

void CDlg_ZoneSet::OnGridEvent(int id, int event) {
    if (id != res::kGridZones) return;
    ui::CMSFlexGrid& grid = Table();
    int lastRow = grid.GetRows() - 1, lastCol = grid.GetCols() - 1;
    switch (event) {
        case ui::kGridClick: {
            int row = std::min(grid.GetMouseRow(), lastRow);
            int col = std::min(grid.GetMouseCol(), lastCol);
            nCurRow = row;
            if (col == 0 && row >= 1 && row <= int(lists_.arrZones.size())) {
                CZone& z = *lists_.arrZones[std::size_t(row - 1)];
                z.nShow = z.nShow == 1 ? 0 : 1;
                RefreshGrid(row);
            }
            break;
        }
        case ui::kGridSelChange:
            nCurRow = std::min(grid.GetRow(), lastRow);
            ui::EnsureRowVisible(grid, nCurRow);
            break;
        case ui::kGridDblClick:
            // Its first click toggled the tick; the tick column opens nothing.
            if (std::min(grid.GetMouseCol(), lastCol) == 0) break;
            nCurRow = std::min(grid.GetMouseRow(), lastRow);
            OnEditZone();
            break;
        default:
            break;
    }
}

bool CDlg_ZoneSet::OnRightButtonUp(int id, ui::Point screen) {
    if (id != res::kGridZones) return false;
    ui::PopupMenu menu(res::kMenuZoneSet);
    if (Table().GetRows() <= 1) {
        for (int cmd : {res::kCmdEdit, res::kCmdDelete, res::kCmdClear})
            menu.EnableMenuItem(cmd, false);
    } else if (nCurRow == 0) {
        for (int cmd : {res::kCmdEdit, res::kCmdDelete}) menu.EnableMenuItem(cmd, false);
    }
    TrackPopupMenu(menu, screen);
    return true;
}

// The table's commands from the keyboard, through the menu's own handlers.
void CDlg_ZoneSet::OnGridKey(int id, const ui::KeyStroke& key) {
    if (id != res::kGridZones || key.ctrl || key.alt) return;
    if (key.code == ui::kKeyDelete && !key.shift) {
        OnDeleteZone();
    } else if (key.code == ui::kKeyF2 && !key.shift) {
        OnEditZone();
    } else if (key.code == ui::kKeyApps || (key.code == ui::kKeyF10 && key.shift)) {
        // The menu opens at the current row, or at the table's corner.
        ui::CMSFlexGrid& grid = Table();
        ui::EnsureRowVisible(grid, nCurRow);
        ui::Rect cell = grid.CellRect(nCurRow, grid.GetFixedCols());
        const ui::Rect& table = Item(id).rect;
        ui::Point at{table.left + cell.left, table.top + (cell.bottom > 0 ? cell.bottom : 0)};
        OnRightButtonUp(id, ClientToScreen(at));
    }
}

namespace {

// The setting both zone dialogs take and give: template id, mode, values.
template <class Dlg>
void GiveSetting(Dlg& dlg, const CZone& zone) {
    dlg.nID = zone.nID;
    dlg.setting = zone.setting;
}

// The mode and values a confirmed dialog sets; the zone is shown again.
template <class Dlg>
void TakeModeAndValues(CZone& zone, const Dlg& dlg) {
    zone.nShow = 1;
    zone.setting = dlg.setting;
}

// What a confirmed dialog sets in its zone, the tag apart.
template <class Dlg>
void TakeSetting(CZone& zone, const Dlg& dlg) {
    TakeModeAndValues(zone, dlg);
    zone.nID = dlg.nID;
    zone.strZoneName = dlg.strZoneName;
}

}  // namespace

void CDlg_ZoneSet::AppendZone(std::unique_ptr<CZone> zone, TextView tag, PictList picts) {
    zone->strTag = lists_.MakeUniqueTag(tag, -1);
    lists_.AppendPicts(std::move(picts), zone->strTag);
    lists_.arrZones.push_back(std::move(zone));
    nCurRow = int(lists_.arrZones.size());
    FillGrid();
}

// The elements of a confirmed dialog come in memory: the exchange files may
// be replaced by another host on the same working folder in between.

void CDlg_ZoneSet::OnImportZone() {
    CDlg_Import_Prot dlg(database_, workPath_);
    if (!lists_.arrZones.empty()) GiveSetting(dlg, *lists_.arrZones.back());
    if (dlg.DoModal() != kIdOk) return;
    strPictFile = dlg.strResultFile;
    auto zone = std::make_unique<CZone>();
    TakeSetting(*zone, dlg);
    zone->nCharKind = CharKindOf(dlg.arrResult, zone->nCharKind);
    AppendZone(std::move(zone), dlg.strTag, std::move(dlg.arrResult));
}

void CDlg_ZoneSet::EditImportedZone(CZone& zone) {
    CDlg_Import_Prot dlg(database_, workPath_);
    GiveSetting(dlg, zone);
    // Shown while no template zone is chosen, and then kept.
    dlg.strTag = Text(zone.strTag);
    dlg.strZoneName = Text(zone.strZoneName);
    dlg.bEditingZone = true;
    if (dlg.DoModal() != kIdOk) return;
    strPictFile = dlg.strResultFile;
    if (!dlg.bZoneChosen) {
        // Its template is not to be had: the setting typed, nothing else.
        TakeModeAndValues(zone, dlg);
        FillGrid();
        return;
    }
    lists_.DeletePicts(zone.strTag);
    TakeSetting(zone, dlg);
    zone.nCharKind = CharKindOf(dlg.arrResult, zone.nCharKind);
    zone.strTag = lists_.MakeUniqueTag(dlg.strTag, nCurRow - 1);
    lists_.AppendPicts(std::move(dlg.arrResult), zone.strTag);
    FillGrid();
}

void CDlg_ZoneSet::PrepareCustom(CDlg_Import_ProtEdit& dlg, const CZone* zone) {
    dlg.runGraphEditor = [this](CDlg_Import_ProtEdit::GraphRequest& request) {
        return RunGraphEditor(workPath_, request);
    };
    if (!zone) {
        // The first zone's defaults.
        dlg.nID = -1;
        dlg.setting = {0, 1, 78, 0};
        dlg.strTag = u"Z1,LE";
        dlg.strZoneName = u"接地距离 I段";
        dlg.nCharKind = kCharCircle;
        return;
    }
    GiveSetting(dlg, *zone);
    dlg.strTag = Text(zone->strTag);
    dlg.strZoneName = Text(zone->strZoneName);
    dlg.nCharKind = zone->nCharKind;
}

void CDlg_ZoneSet::OnCustomZone() {
    CDlg_Import_ProtEdit dlg;
    PrepareCustom(dlg, lists_.arrZones.empty() ? nullptr : lists_.arrZones.back().get());
    // Drawn by hand, whatever zone its starting values come from: a template
    // id would open it in the import dialog and replace the drawing.
    dlg.nID = -1;
    if (dlg.DoModal() != kIdOk) return;
    strPictFile = dlg.strPictFile;
    auto zone = std::make_unique<CZone>();
    TakeSetting(*zone, dlg);
    zone->nCharKind = dlg.nCharKind;
    AppendZone(std::move(zone), dlg.strTag, std::move(dlg.arrPicts));
}

void CDlg_ZoneSet::OnEditZone() {
    if (nCurRow < 1 || nCurRow > int(lists_.arrZones.size())) return;
    CZone& zone = *lists_.arrZones[std::size_t(nCurRow - 1)];
    if (zone.nID < 0)
        EditCustomZone(zone);
    else
        EditImportedZone(zone);
}

void CDlg_ZoneSet::EditCustomZone(CZone& zone) {
    CDlg_Import_ProtEdit dlg;
    PrepareCustom(dlg, &zone);
    Text oldTag(zone.strTag);
    dlg.arrPicts = lists_.PictsOfZone(oldTag);
    if (!workPath_.empty()) {
        Text path = JoinPath(workPath_, u"graphPara.tmp");
        if (lists_.SavePictsOfZone(path, oldTag)) dlg.strPictFile = path;
    }
    if (dlg.DoModal() != kIdOk) return;
    strPictFile = dlg.strPictFile;
    TakeSetting(zone, dlg);
    zone.nCharKind = dlg.nCharKind;
    zone.strTag = lists_.MakeUniqueTag(dlg.strTag, nCurRow - 1);
    lists_.DeletePicts(oldTag);
    lists_.AppendPicts(std::move(dlg.arrPicts), zone.strTag);
    FillGrid();
}

void CDlg_ZoneSet::OnDeleteZone() {
    if (nCurRow < 1 || lists_.arrZones.empty() || nCurRow > int(lists_.arrZones.size())) return;
    if (MessageBox(u"\n确认: 是否真的删除当前选定的阻抗区段?      \n\n", u"删除",
                   kMbYesNo | kMbIconQuestion) != kIdYes)
        return;
    lists_.DeleteZone(std::size_t(nCurRow - 1));
    // The rows below move up a row, and only their numbers change.
    Table().RemoveItem(nCurRow);
    for (int r = nCurRow; r <= int(lists_.arrZones.size()); ++r) ShowNumber(r);
    if (lists_.arrZones.empty()) nCurRow = 0;
    RefreshGrid(kNoRows);
}

void CDlg_ZoneSet::OnClearZones() {
    if (lists_.arrZones.empty()) return;
    if (MessageBox(u"\n确认: 是否真的清空当前所有的阻抗区段?      \n\n", u"清空",
                   kMbYesNo | kMbIconQuestion) != kIdYes)
        return;
    lists_.ClearZones();
    nCurRow = 0;
    FillGrid();
}

}  // namespace qz
