#include "dialogs/import/import_prot_dlg.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/archive.h"
#include "base/msgbox.h"
#include "base/platform.h"
#include "dialogs/common/setting_fields.h"
#include "records/geometry.h"
#include "resources/resource_ids.h"

namespace qz {

namespace {

constexpr SettingControls kSettingControls{
    res::kListImportMode,
    {res::kLabelImportValue1, res::kLabelImportValue2, res::kLabelImportValue3},
    {res::kEditImportValue1, res::kEditImportValue2, res::kEditImportValue3}};

// The tree's levels are told apart by depth alone; the inner levels carry
// these fixed item data, the zones their record ids.
enum TreeDepth { kRootDepth = 1, kZoneDepth = 5 };
constexpr std::intptr_t kRootData = 1, kManufacturerData = 2, kSortData = 3, kModelData = 4;
constexpr int kGroupImage = 0, kZoneImage = 2;
constexpr std::uint32_t kTreeTextColor = 0x0000FF;
constexpr int kTreeItemHeight = 25;

struct NamePart {
    const char16_t* contains;
    const char16_t* part;
};
// Tested in this order: "IV" before "I", the Roman numerals before the
// digits of the same zone.
constexpr NamePart kNumberParts[] = {
    {u"IV", u"Z4"}, {u"4", u"Z4"}, {u"III", u"Z3"}, {u"3", u"Z3"},
    {u"II", u"Z2"}, {u"2", u"Z2"}, {u"I", u"Z1"},   {u"1", u"Z1"},
};
constexpr NamePart kSuffixes[] = {
    {u"接地", u",LE"},
    {u"EARTH", u",LE"},
    {u"相间", u",LL"},
    {u"PP", u",LL"},
};

const char16_t* FirstPart(TextView name, std::span<const NamePart> parts) {
    for (const NamePart& p : parts)
        if (name.find(p.contains) != TextView::npos) return p.part;
    return nullptr;
}

// A handler whose connection was lost runs once more from its start, on the
// new connection the source then opens: its statements nest, so none is
// repeated alone.
template <typename Handler>
auto OnceMoreIfConnectionLost(Handler&& handler) -> decltype(handler()) {
    try {
        return handler();
    } catch (const CDBException& e) {
        if (!e.m_bLostConnection) throw;
    }
    return handler();
}

}  // namespace

CDlg_Import_Prot::CDlg_Import_Prot(TemplateSource database, Text workPath)
    : CSettingDialog(res::kDlgImport),
      database_(std::move(database)),
      strWorkPath(std::move(workPath)) {}

CTemplateDatabase* CDlg_Import_Prot::Database() const {
    return database_ ? database_() : nullptr;
}

Text CDlg_Import_Prot::ProtPath() const {
    return strWorkPath.empty() ? Text() : JoinPath(strWorkPath, kProtFileName);
}

Text* CDlg_Import_Prot::FieldText(int id) {
    switch (id) {
        case res::kEditImportTag:
            return &strTag;
        case res::kEditImportName:
            return &strZoneName;
        case res::kEditImportValue1:
        case res::kEditImportValue2:
        case res::kEditImportValue3:
            return &strValues[std::size_t(id - res::kEditImportValue1)];
        default:
            return nullptr;
    }
}

void CDlg_Import_Prot::DoDataExchange(ui::CDataExchange& dx) {
    ui::DDX_Text(dx, res::kEditImportTag, strTag);
    ui::DDX_Text(dx, res::kEditImportName, strZoneName);
    ui::DDX_Text(dx, res::kEditImportValue1, strValues[0]);
    ui::DDX_Text(dx, res::kEditImportValue2, strValues[1]);
    ui::DDX_Text(dx, res::kEditImportValue3, strValues[2]);
}

bool CDlg_Import_Prot::OnInitDialog() {
    CDialog::OnInitDialog();
    FillModeList(*this, res::kListImportMode);
    SetWindowText(u"导入--保护区段");
    nInitialID = nID;
    fInitialValues = setting.Values();
    if (!nTreeImages) nTreeImages = res::kBmpTreeImages;
    preview.FitTo(*this);

    bZoneChosen = false;
    protFormula.clear();
    bool filled = true;
    try {
        OnceMoreIfConnectionLost([&] { FillTree(); });
    } catch (const CDBException& e) {
        // Said here so that the dialog still opens with its setting shown.
        MessageBox(e.m_strError, kModuleName, kMbOk | kMbIconError);
        filled = false;
    }
    ui::CTreeModel& tree = Tree(res::kTreeTemplates);
    if (filled && bEditingZone && nID != -1 && hPreselectItem == ui::kTreeNone)
        MessageBox(Format("\n模板库中没有此区段的模板 (nID = %d).\n\n"
                          "确认时只取输入的阻抗定值, 区段的标记、名称和特性保持不变.      \n\n",
                          int(nID)),
                   kModuleName, kMbOk | kMbIconWarning);
    if (nID == -1) {
        ui::TreeItem root = tree.GetRootItem();
        tree.Expand(root);
        TreeSelectItem(res::kTreeTemplates, root);
    } else if (hPreselectItem != ui::kTreeNone) {
        tree.Expand(hPreselectItem);
        TreeSelectItem(res::kTreeTemplates, hPreselectItem);
    }
    ShowSetting();
    return true;
}

// ---- the tree ---------------------------------------------------------------

void CDlg_Import_Prot::FillTree() {
    ui::CTreeModel& tree = Tree(res::kTreeTemplates);
    tree.DeleteAllItems();
    hPreselectItem = ui::kTreeNone;
    tree.SetImageList(nTreeImages);
    tree.SetTextColor(kTreeTextColor);
    tree.SetItemHeight(kTreeItemHeight);
    ui::TreeItem root = tree.InsertItem(u"请选择生产厂家: ", kGroupImage, kGroupImage, kRootData);
    FillManufacturers(root);
}

// Each level asks for the connection before its statement and fills the
// level below a node before it inserts the next one, so that an error
// leaves the nodes inserted so far.
void CDlg_Import_Prot::FillManufacturers(ui::TreeItem parent) {
    CTemplateDatabase* db = Database();
    if (!db) return;
    for (const Text& manufacturer : db->Manufacturers()) {
        ui::TreeItem node =
            Tree(res::kTreeTemplates)
                .InsertItem(manufacturer, kGroupImage, kGroupImage, kManufacturerData, parent);
        FillSorts(node, manufacturer);
    }
}

void CDlg_Import_Prot::FillSorts(ui::TreeItem parent, const Text& manufacturer) {
    CTemplateDatabase* db = Database();
    if (!db) return;
    for (const Text& sort : db->ProtSorts(manufacturer)) {
        ui::TreeItem node =
            Tree(res::kTreeTemplates).InsertItem(sort, kGroupImage, kGroupImage, kSortData, parent);
        FillModels(node, manufacturer, sort);
    }
}

void CDlg_Import_Prot::FillModels(ui::TreeItem parent, const Text& manufacturer, const Text& sort) {
    CTemplateDatabase* db = Database();
    if (!db) return;
    for (const Text& model : db->ProtModels(manufacturer, sort)) {
        ui::TreeItem node = Tree(res::kTreeTemplates)
                                .InsertItem(model, kGroupImage, kGroupImage, kModelData, parent);
        FillZones(node, manufacturer, sort, model);
    }
}

void CDlg_Import_Prot::FillZones(ui::TreeItem parent, const Text& manufacturer, const Text& sort,
                                 const Text& model) {
    CTemplateDatabase* db = Database();
    if (!db) return;
    for (const CRecordset_Distance& row : db->ZoneLeaves(manufacturer, sort, model)) {
        ui::TreeItem node =
            Tree(res::kTreeTemplates)
                .InsertItem(row.strZoneName, kZoneImage, kZoneImage, row.nID, parent);
        if (row.nID == nID) hPreselectItem = node;
    }
}

void CDlg_Import_Prot::OnTreeSelChanged(int id) {
    if (id == res::kTreeTemplates) OnSelectTreeItem();
}

void CDlg_Import_Prot::OnSelectTreeItem() {
    ui::CTreeModel& tree = Tree(res::kTreeTemplates);
    ui::TreeItem item = tree.GetSelectedItem();
    tree.Expand(item);
    const int fields[] = {res::kEditImportTag, res::kEditImportValue1, res::kEditImportValue2,
                          res::kEditImportValue3};
    if (tree.Depth(item) == kZoneDepth) {
        auto id = std::int32_t(tree.GetItemData(item));
        bool open = false;
        std::optional<CRecordset_Distance> row = OnceMoreIfConnectionLost([&] {
            CTemplateDatabase* db = Database();
            open = db != nullptr;
            return db ? db->Zone(id) : std::optional<CRecordset_Distance>();
        });
        if (open) {
            if (!row) throw CDBException(Format("no zone with id %d", id));
            nID = id;
            bZoneChosen = true;
            strZoneName = row->strZoneName;
            DeriveZoneTag();
            setting = row->setting;
            if (id == nInitialID)
                for (std::size_t k = 0; k < 3; ++k) setting.Value(k) = fInitialValues[k];
            ShowSetting();
            protFormula = std::move(row->ProtSettings);
            Text path = ProtPath();
            strResultFile =
                !protFormula.empty() && !path.empty() && SaveFileReplacing(path, protFormula)
                    ? path
                    : Text();
            ReloadElements();
        }
        for (int f : fields) EnableItem(f, true);
    } else {
        nID = -1;
        bZoneChosen = false;
        protFormula.clear();
        strResultFile.clear();
        strZoneName.clear();
        strTag.clear();
        setting = {};
        ShowSetting();
        ReloadElements();
        for (int f : fields) EnableItem(f, false);
    }
}

void CDlg_Import_Prot::DeriveZoneTag() {
    const char16_t* number = FirstPart(strZoneName, kNumberParts);
    strTag = number ? number : u"Z";
    for (char16_t& c : strZoneName)
        if (c >= u'a' && c <= u'z') c = char16_t(c - u'a' + u'A');
    if (const char16_t* suffix = FirstPart(strZoneName, kSuffixes)) strTag += suffix;
}

// ---- the setting and the characteristic -------------------------------------

void CDlg_Import_Prot::ShowSetting() {
    ShowSettingFields(*this, kSettingControls, setting,
                      {&strValues[0], &strValues[1], &strValues[2]});
    UpdateData(false);
}

void CDlg_Import_Prot::ApplyEdit() {
    TakeNotedInput(nFocusField, nFocusValue, strTag, strZoneName, setting,
                   {&strValues[0], &strValues[1], &strValues[2]});
    ShowSetting();
    ReloadElements();
}

void CDlg_Import_Prot::ReloadElements() {
    arrPicts.clear();
    BindSetting(parser, setting);
    if (!protFormula.empty()) {
        // Element by element: a block that breaks off keeps what was read
        // before, and the error ends the handler before the preview changes.
        CArchiveReader ar(protFormula.data(), protFormula.size());
        ReadPicts(ar, PictForm::kFormula, UnknownPict::kPassedOver,
                  [&](std::unique_ptr<CPict> pict) {
                      InstantiatePict(*pict, parser);
                      arrPicts.push_back(std::move(pict));
                  });
    }
    preview.Show(*this, setting, arrPicts, 0);
}

// ---- commands and fields ----------------------------------------------------

void CDlg_Import_Prot::OnConfirm() {
    strResultFile.clear();
    arrResult = bZoneChosen ? ClonePicts(arrPicts) : PictList();
    if (nID >= 1 && bZoneChosen) {
        std::vector<std::uint8_t> bytes;
        CArchiveWriter ar(bytes);
        StorePicts(ar, arrPicts, PictForm::kNumeric);
        Text path = ProtPath();
        if (!path.empty() && SaveFileReplacing(path, bytes)) strResultFile = path;
    }
    UpdateData(true);
    EndDialog(kIdOk);
}

void CDlg_Import_Prot::OnCommand(int id) {
    if (id == res::kBtnImportConfirm)
        OnConfirm();
    else if (id == res::kBtnImportCancel)
        OnClose();
}

void CDlg_Import_Prot::OnClose() {
    strResultFile.clear();
    EndDialog(kIdCancel);
}

void CDlg_Import_Prot::OnSetFocus(int id) {
    NoteFocusedInput(id, res::kEditImportTag, res::kEditImportName, kSettingControls, nFocusField,
                     nFocusValue);
}

void CDlg_Import_Prot::OnPaint(gfx::CCanvas& dc) {
    preview.PaintIn(*this, dc);
}

void CDlg_Import_Prot::OnDestroy() {
    arrPicts.clear();
}

}  // namespace qz
