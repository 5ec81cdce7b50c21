// A zone's impedance setting: a mode and three values whose meaning the mode
// gives.  What a mode means to every reader (its list item, the dialogs'
// rows, limits and starting values, what OK refuses and wraps, the setting
// text, the formula variables, the plot's extent and setting lines) is one
// row of the table in setting.cpp.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/text.h"
#include "formula/formula_parser.h"

namespace qz {

struct ZoneSetting {
    std::int32_t Zzd_Mode = 0;
    float Zzd_1 = 0, Zzd_2 = 0, Zzd_3 = 0;

    // Value k, 0 to 2.
    float Value(std::size_t k) const { return k == 0 ? Zzd_1 : k == 1 ? Zzd_2 : Zzd_3; }
    float& Value(std::size_t k) { return k == 0 ? Zzd_1 : k == 1 ? Zzd_2 : Zzd_3; }
    std::array<float, 3> Values() const { return {Zzd_1, Zzd_2, Zzd_3}; }

    bool operator==(const ZoneSetting&) const = default;
};

// With -360 as the lower limit: an angle, wrapped by 360 rather than clamped.
inline constexpr float kWrapLimit = 360.0f;

enum class SettingUnit { kOhm, kDegree };

// A point of the R-X plane, in ohms.
struct OhmPoint {
    double R = 0, X = 0;
};

// One of a mode's three values; a null label: the mode has no such value.
struct SettingValue {
    const char16_t* label;  // the dialogs' row label
    SettingUnit unit;
    float lo, hi;                         // what a typed value is limited to
    void (CFormulaParser::*bind)(float);  // the formula variable it sets
    float start;                          // the custom dialog's value when the mode is chosen
};

struct SettingMode {
    const char16_t* item;  // the mode list's item
    // The zone table's cell, "%.3f" filled with the three values in order.
    const char* cell;
    SettingValue values[3];
    // The ends of the setting's reference lines in the plot.
    std::vector<OhmPoint> (*lines)(const ZoneSetting&);
};

inline constexpr int kModeCount = 4;

// The mode's row; null for a mode outside 0 to 3.
const SettingMode* ModeOf(std::int32_t mode);

// How a setting is laid out: as the zone table's cell, padded and in two
// lines, or on one line for terminals and logs.
enum class SettingLayout { kTableCell, kOneLine };

// The setting by its mode: " Zzd = 10.000Ω ∠ 78.000°, \r\n\r\n 偏转角 =
// 0.000 °" in a cell, "Zzd = 10.000Ω ∠ 78.000°, 偏转角 = 0.000 °" on one line.
// A mode that is none of the four shows nothing in a cell, "mode 7" on a line.
Text SettingText(const ZoneSetting& setting, SettingLayout layout = SettingLayout::kTableCell);

// The dialogs' text of a value: "%.3f Ω" or "%.3f °" by its unit.
Text ValueText(const SettingValue& value, float v);

// Binds the formula's five variables: those of the mode's values, the rest 0.
void BindSetting(CFormulaParser& parser, const ZoneSetting& setting);

// Value k (1 to 3) of the mode read from its text and limited as typed values
// are; false, leaving the setting alone, where the mode has no such value.
bool TakeSettingValue(ZoneSetting& setting, int k, TextView text);

// Another mode, with the values the custom dialog starts it with; false,
// leaving the setting alone, for the mode it has or one outside 0 to 3.
bool ChangeMode(ZoneSetting& setting, std::int32_t mode);

// What a confirmed setting may not hold: the value (1 to 3) that is a
// negative magnitude, 0 when none is.
int RefusedValue(const ZoneSetting& setting);
// A confirmed setting: its angles wrapped into ±360, the values its mode does
// not have 0.
void ConfirmSetting(ZoneSetting& setting);

// The largest finite absolute value in ohms: what the plot's scale must take.
float SettingExtent(const ZoneSetting& setting);

// The ends of the setting's reference lines; each line starts at Z = 0.
std::vector<OhmPoint> SettingLineEnds(const ZoneSetting& setting);

}  // namespace qz
