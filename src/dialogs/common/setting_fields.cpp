#include "dialogs/common/setting_fields.h"

#include "base/helpers.h"
#include "resources/templates.h"

namespace qz {

namespace {

constexpr const char* kOhms = "%.3f Ω";
constexpr const char* kDegrees = "%.3f °";

struct ModeRows {
    const char16_t* labels[3];  // a null third: left as it was
    const char* formats[3];
};
constexpr ModeRows kModeRows[4] = {
    {{u"幅值 Zzd_Mag =", u"角度 Zzd_Ang =", u"偏转角 AngShift ="}, {kOhms, kDegrees, kDegrees}},
    {{u"Rzd =", u"Xzd =", nullptr}, {kOhms, kOhms, nullptr}},
    {{u"幅值 Zzd_Mag =", u"角度 Zzd_Ang =", u"Rzd ="}, {kOhms, kDegrees, kOhms}},
    {{u"Rzd =", u"Xzd =", u"正序阻抗角 Ang ="}, {kOhms, kOhms, kDegrees}},
};

struct ValueLimits {
    float lo, hi;
};
// By mode, for value 1 to 3; {0, 0}: mode 1 has no third value.
constexpr ValueLimits kLimits[4][3] = {
    {{0, 1000}, {-kWrapLimit, kWrapLimit}, {-80, 80}},
    {{-1000, 1000}, {-1000, 1000}, {0, 0}},
    {{0, 1000}, {-kWrapLimit, kWrapLimit}, {-1000, 1000}},
    {{-1000, 1000}, {-1000, 1000}, {-kWrapLimit, kWrapLimit}},
};

bool ValidMode(std::int32_t mode) {
    return mode >= 0 && mode <= 3;
}

}  // namespace

void FillModeList(ui::CDialog& dlg, int listId) {
    dlg.ListResetContent(listId);
    for (const char16_t* item : res::kModeItems) dlg.ListAddString(listId, item);
}

void ShowSettingFields(ui::CDialog& dlg, const SettingControls& ids, std::int32_t mode,
                       const std::array<float, 3>& values, const std::array<Text*, 3>& texts) {
    dlg.ListSetCurSel(ids.list, mode);
    if (ValidMode(mode)) {
        const ModeRows& rows = kModeRows[mode];
        for (std::size_t k = 0; k < 3; ++k) {
            if (!rows.labels[k]) continue;
            dlg.SetDlgItemText(ids.labels[k], rows.labels[k]);
            *texts[k] = Format(rows.formats[k], double(values[k]));
        }
    }
    bool third = mode != 1;
    dlg.ShowItem(ids.labels[2], third);
    dlg.ShowItem(ids.values[2], third);
}

bool TakeSettingValue(std::int32_t mode, int k, TextView text, float& value) {
    if (!ValidMode(mode) || k < 1 || k > 3 || (mode == 1 && k == 3)) return false;
    const ValueLimits& l = kLimits[mode][k - 1];
    value = TextToNumberInRange(text, l.hi, l.lo);
    return true;
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

bool TakeChangedField(ui::CDialog& dlg, const Text* field) {
    if (!field) return false;
    Text before = *field;
    dlg.UpdateData(true);
    return *field != before;
}

}  // namespace qz
