#include "dialogs/customzone/custom_zone_dlg.h"

#include "base/helpers.h"
#include "base/msgbox.h"
#include "dialogs/common/setting_fields.h"
#include "resources/resource_ids.h"

namespace qz {

namespace {
constexpr SettingControls kSettingControls{
    res::kListCustomMode,
    {res::kLabelCustomValue1, res::kLabelCustomValue2, res::kLabelCustomValue3},
    {res::kEditCustomValue1, res::kEditCustomValue2, res::kEditCustomValue3}};
}  // namespace

CDlg_Import_ProtEdit::CDlg_Import_ProtEdit() : CSettingDialog(res::kDlgCustom) {}

Text* CDlg_Import_ProtEdit::FieldText(int id) {
    switch (id) {
        case res::kEditCustomTag:
            return &strTag;
        case res::kEditCustomName:
            return &strZoneName;
        case res::kEditCustomValue1:
            return &strValue1;
        case res::kEditCustomValue2:
            return &strValue2;
        case res::kEditCustomValue3:
            return &strValue3;
        default:
            return nullptr;
    }
}

void CDlg_Import_ProtEdit::DoDataExchange(ui::CDataExchange& dx) {
    ui::DDX_Text(dx, res::kEditCustomTag, strTag);
    ui::DDX_Text(dx, res::kEditCustomName, strZoneName);
    ui::DDX_Text(dx, res::kEditCustomValue1, strValue1);
    ui::DDX_Text(dx, res::kEditCustomValue2, strValue2);
    ui::DDX_Text(dx, res::kEditCustomValue3, strValue3);
}

bool CDlg_Import_ProtEdit::OnInitDialog() {
    CDialog::OnInitDialog();
    FillModeList(*this, res::kListCustomMode);
    SetWindowText(u"自定义--保护区段");
    ShowInputs();
    return true;
}

void CDlg_Import_ProtEdit::ShowInputs() {
    ShowSettingFields(*this, kSettingControls, setting, {&strValue1, &strValue2, &strValue3});
    UpdateData(false);
}

void CDlg_Import_ProtEdit::ApplyInput() {
    if (nFocusKind == 3)
        ChangeMode(setting, ListGetCurSel(res::kListCustomMode));
    else
        TakeNotedInput(nFocusKind, nFocusValue, strTag, strZoneName, setting,
                       {&strValue1, &strValue2, &strValue3});
    ShowInputs();
}

bool CDlg_Import_ProtEdit::Validate() {
    constexpr unsigned kError = kMbOk | kMbIconError;
    TrimWhiteSpace(strTag);
    if (strTag.empty()) {
        MessageBox(u"请输入区段标记!         \n\n", u"标记", kError);
        GotoDlgCtrl(res::kEditCustomTag);  // where the missing text goes
        return false;
    }
    TrimWhiteSpace(strZoneName);
    if (strZoneName.empty()) {
        MessageBox(u"请输入区段名称!         \n\n", u"区段名称", kError);
        GotoDlgCtrl(res::kEditCustomName);
        return false;
    }
    if (int k = RefusedValue(setting)) {
        MessageBox(u"阻抗幅值 Zzd_Mag 必须 >=0 !         \n\n", u"阻抗定值", kError);
        GotoDlgCtrl(kSettingControls.values[std::size_t(k - 1)]);
        return false;
    }
    ConfirmSetting(setting);
    return true;
}

void CDlg_Import_ProtEdit::RunGraphEditor() {
    if (!runGraphEditor) return;
    GraphRequest request{nID, setting, strPictFile, ClonePicts(arrPicts), nCharKind};
    if (!runGraphEditor(request)) return;
    strPictFile = request.strPictFile;
    arrPicts = std::move(request.elements);
    nCharKind = request.nCharKind;
}

void CDlg_Import_ProtEdit::OnCommand(int id) {
    switch (id) {
        case res::kBtnCustomGraph:
            RunGraphEditor();
            break;
        case res::kBtnCustomOk:
            if (!Validate()) break;
            UpdateData(true);
            EndDialog(kIdOk);
            break;
        case res::kBtnCustomCancel:
            EndDialog(kIdCancel);
            break;
        default:
            break;
    }
}

void CDlg_Import_ProtEdit::OnSetFocus(int id) {
    NoteFocusedInput(id, res::kEditCustomTag, res::kEditCustomName, kSettingControls, nFocusKind,
                     nFocusValue);
}

void CDlg_Import_ProtEdit::OnSelChange(int id) {
    if (id != res::kListCustomMode) return;
    // Without the list dropped down this applies the input last entered,
    // and the old mode is selected again.
    UpdateData(true);
    ApplyInput();
}

void CDlg_Import_ProtEdit::OnDropDown(int id) {
    if (id != res::kListCustomMode) return;
    nFocusKind = 3;
    nFocusValue = 1;
}

}  // namespace qz
