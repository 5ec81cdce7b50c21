#include "dialogs/common/setting_fields.h"

namespace qz {

void FillModeList(ui::CDialog& dlg, int listId) {
    dlg.ListResetContent(listId);
    for (std::int32_t mode = 0; mode < kModeCount; ++mode)
        dlg.ListAddString(listId, ModeOf(mode)->item);
}

void ShowSettingFields(ui::CDialog& dlg, const SettingControls& ids, const ZoneSetting& setting,
                       const std::array<Text*, 3>& texts) {
    dlg.ListSetCurSel(ids.list, setting.Zzd_Mode);
    const SettingMode* mode = ModeOf(setting.Zzd_Mode);
    for (std::size_t k = 0; mode && k < 3; ++k) {
        const SettingValue& v = mode->values[k];
        if (!v.label) continue;
        dlg.SetDlgItemText(ids.labels[k], v.label);
        *texts[k] = ValueText(v, setting.Value(k));
    }
    bool third = !mode || mode->values[2].label;
    dlg.ShowItem(ids.labels[2], third);
    dlg.ShowItem(ids.values[2], third);
}

void TrimWhiteSpace(Text& text) {
    // Unicode's White_Space, the same on every runtime and in every locale:
    // the C library's idea of it differs (U+3000, the ideographic space an
    // input method types, is blank on Windows only).
    auto blank = [](char16_t c) {
        return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
               (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
               c == 0x205F || c == 0x3000;
    };
    std::size_t first = 0, last = text.size();
    while (first < last && blank(text[first])) ++first;
    while (last > first && blank(text[last - 1])) --last;
    text = text.substr(first, last - first);
}

void NoteFocusedInput(int id, int tagId, int nameId, const SettingControls& ids, int& kind,
                      int& value) {
    if (id == tagId || id == nameId) {
        kind = id == tagId ? 1 : 2;
        value = 1;
        return;
    }
    for (int k = 0; k < 3; ++k)
        if (id == ids.values[std::size_t(k)]) {
            kind = 4;
            value = k + 1;
        }
}

void TakeNotedInput(int kind, int value, Text& tag, Text& name, ZoneSetting& setting,
                    const std::array<const Text*, 3>& texts) {
    if (kind == 1)
        TrimWhiteSpace(tag);
    else if (kind == 2)
        TrimWhiteSpace(name);
    else if (kind == 4 && value >= 1 && value <= 3)
        TakeSettingValue(setting, value, *texts[std::size_t(value - 1)]);
}

void CSettingDialog::OnOK() {
    UpdateData(true);
    TakeInput();
    SelectFocusedText();
}

void CSettingDialog::OnCancel() {
    UpdateData(false);
}

void CSettingDialog::OnKillFocus(int id) {
    const Text* field = FieldText(id);
    if (!field) return;
    Text before = *field;
    UpdateData(true);
    if (*field != before) TakeInput();
}

}  // namespace qz
