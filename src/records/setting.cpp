#include "records/setting.h"

#include <algorithm>
#include <cmath>

#include "base/helpers.h"

namespace qz {

namespace {

using P = CFormulaParser;
constexpr SettingUnit kOhm = SettingUnit::kOhm, kDegree = SettingUnit::kDegree;
constexpr SettingValue kNoValue{nullptr, kOhm, 0, 0, nullptr, 0};

OhmPoint Polar(float magnitude, float angle) {
    RectValue p = PolarToRect(magnitude, angle);
    return {p.R, p.X};
}

// What each mode means, in mode order.  Every reader of a setting goes
// through this table: change a mode here.
constexpr SettingMode kModes[kModeCount] = {
    {u"极坐标   ( Zzd_Mag, Zzd_Ang )",
     " Zzd = %.3fΩ ∠ %.3f°, \r\n\r\n 偏转角 = %.3f °",
     {{u"幅值 Zzd_Mag =", kOhm, 0, 1000, &P::SetZZD_MAG, 1},
      {u"角度 Zzd_Ang =", kDegree, -kWrapLimit, kWrapLimit, &P::SetZZD_ANG, 78},
      {u"偏转角 AngShift =", kDegree, -80, 80, &P::SetANGSHIFT, 0}},
     [](const ZoneSetting& s) -> std::vector<OhmPoint> { return {Polar(s.Zzd_1, s.Zzd_2)}; }},
    {u"直角坐标 ( Rzd, Xzd )",
     " Rzd = %.3fΩ, \r\n\r\n Xzd = %.3fΩ",
     {{u"Rzd =", kOhm, -1000, 1000, &P::SetRZD, 0.5f},
      {u"Xzd =", kOhm, -1000, 1000, &P::SetXZD, 1},
      kNoValue},
     [](const ZoneSetting& s) -> std::vector<OhmPoint> {
         return {{s.Zzd_1, 0}, {0, s.Zzd_2}};
     }},
    {u"扩展的直角坐标 ( Rzd, Zzd_Mag, Zzd_Ang )",
     " Zzd = %.3fΩ ∠ %.3f°, \r\n\r\n Rzd = %.3fΩ ",
     {{u"幅值 Zzd_Mag =", kOhm, 0, 1000, &P::SetZZD_MAG, 1},
      {u"角度 Zzd_Ang =", kDegree, -kWrapLimit, kWrapLimit, &P::SetZZD_ANG, 78},
      {u"Rzd =", kOhm, -1000, 1000, &P::SetRZD, 0.5f}},
     [](const ZoneSetting& s) -> std::vector<OhmPoint> {
         return {Polar(s.Zzd_1, s.Zzd_2), {s.Zzd_3, 0}};
     }},
    {u"扩展的直角坐标 ( Rzd, Xzd, Zzd_Ang)",
     " Rzd = %.3fΩ, \r\n\r\n Xzd = %.3fΩ, 正序阻抗角 = %.3f °",
     {{u"Rzd =", kOhm, -1000, 1000, &P::SetRZD, 0.5f},
      {u"Xzd =", kOhm, -1000, 1000, &P::SetXZD, 1},
      {u"正序阻抗角 Ang =", kDegree, -kWrapLimit, kWrapLimit, &P::SetZZD_ANG, 78}},
     // The third line runs level from X = Xzd to where the line impedance
     // angle through the origin meets it.
     [](const ZoneSetting& s) -> std::vector<OhmPoint> {
         double a = s.Zzd_3 * kPi / 180;
         double R = std::fabs(std::cos(a)) < 0.0001 ? 0 : s.Zzd_2 / std::tan(a);
         return {{s.Zzd_1, 0}, {0, s.Zzd_2}, {R, s.Zzd_2}};
     }},
};

bool IsAngle(const SettingValue& v) {
    return v.lo == -kWrapLimit && v.hi == kWrapLimit;
}

}  // namespace

const SettingMode* ModeOf(std::int32_t mode) {
    return mode >= 0 && mode < kModeCount ? &kModes[mode] : nullptr;
}

Text SettingText(const ZoneSetting& s, SettingLayout layout) {
    const SettingMode* mode = ModeOf(s.Zzd_Mode);
    if (!mode)
        return layout == SettingLayout::kTableCell ? Text() : Format("mode %d", int(s.Zzd_Mode));
    Text cell = Format(mode->cell, double(s.Zzd_1), double(s.Zzd_2), double(s.Zzd_3));
    if (layout == SettingLayout::kTableCell) return cell;
    // One line: the cell without its padding and with its line break as one
    // space, the break's first.
    constexpr TextView kBreak = u" \r\n\r\n ";
    if (std::size_t at = cell.find(kBreak); at != Text::npos) cell.erase(at + 1, kBreak.size() - 1);
    std::size_t first = cell.find_first_not_of(u' '), last = cell.find_last_not_of(u' ');
    return cell.substr(first, last + 1 - first);
}

Text ValueText(const SettingValue& value, float v) {
    return Format(value.unit == kOhm ? "%.3f Ω" : "%.3f °", double(v));
}

void BindSetting(CFormulaParser& parser, const ZoneSetting& s) {
    for (auto bind : {&P::SetZZD_MAG, &P::SetZZD_ANG, &P::SetANGSHIFT, &P::SetRZD, &P::SetXZD})
        (parser.*bind)(0);
    const SettingMode* mode = ModeOf(s.Zzd_Mode);
    if (!mode) return;
    for (std::size_t k = 0; k < 3; ++k)
        if (mode->values[k].label) (parser.*mode->values[k].bind)(s.Value(k));
}

bool TakeSettingValue(ZoneSetting& s, int k, TextView text) {
    const SettingMode* mode = ModeOf(s.Zzd_Mode);
    if (!mode || k < 1 || k > 3) return false;
    const SettingValue& v = mode->values[k - 1];
    if (!v.label) return false;
    s.Value(std::size_t(k - 1)) = TextToNumberInRange(text, v.hi, v.lo);
    return true;
}

bool ChangeMode(ZoneSetting& s, std::int32_t mode) {
    const SettingMode* chosen = ModeOf(mode);
    if (!chosen || mode == s.Zzd_Mode) return false;
    s.Zzd_Mode = mode;
    for (std::size_t k = 0; k < 3; ++k) s.Value(k) = chosen->values[k].start;
    return true;
}

int RefusedValue(const ZoneSetting& s) {
    const SettingMode* mode = ModeOf(s.Zzd_Mode);
    if (!mode) return 0;
    for (std::size_t k = 0; k < 3; ++k)
        if (mode->values[k].bind == &P::SetZZD_MAG && s.Value(k) < 0) return int(k) + 1;
    return 0;
}

void ConfirmSetting(ZoneSetting& s) {
    const SettingMode* mode = ModeOf(s.Zzd_Mode);
    if (!mode) return;
    for (std::size_t k = 0; k < 3; ++k) {
        const SettingValue& v = mode->values[k];
        if (!v.label)
            s.Value(k) = 0;
        else if (IsAngle(v))
            s.Value(k) = ClampOrWrap(s.Value(k), kWrapLimit, -kWrapLimit);
    }
}

float SettingExtent(const ZoneSetting& s) {
    float extent = 0;
    const SettingMode* mode = ModeOf(s.Zzd_Mode);
    if (!mode) return extent;
    for (std::size_t k = 0; k < 3; ++k) {
        const SettingValue& v = mode->values[k];
        // Values that are not finite cannot be drawn and must not decide the scale.
        if (v.label && v.unit == kOhm && std::isfinite(s.Value(k)))
            extent = std::max(extent, std::fabs(s.Value(k)));
    }
    return extent;
}

std::vector<OhmPoint> SettingLineEnds(const ZoneSetting& s) {
    const SettingMode* mode = ModeOf(s.Zzd_Mode);
    return mode ? mode->lines(s) : std::vector<OhmPoint>();
}

}  // namespace qz
