// The impedance setting as the zone dialogs show and take it: the mode list,
// the three value rows with their labels and texts per mode, and the limits
// of a value the user types.
#pragma once

#include <array>
#include <cstdint>

#include "base/text.h"
#include "ui/dialog.h"

namespace qz {

// With -360 as the lower limit: an angle, wrapped by 360 rather than clamped.
inline constexpr float kWrapLimit = 360.0f;

// The controls of one dialog's setting.
struct SettingControls {
    int list;
    std::array<int, 3> labels, values;
};

// The list's items: the four modes' texts in mode order.
void FillModeList(ui::CDialog& dlg, int listId);

// Selects the mode in the list, sets the labels and formats the values into
// `texts` for that mode.  Mode 1 leaves the third label and text as they
// were, a mode outside 0 to 3 every label and text; the third row shows
// unless the mode is 1.  The caller writes the texts into the fields.
void ShowSettingFields(ui::CDialog& dlg, const SettingControls& ids, std::int32_t mode,
                       const std::array<float, 3>& values, const std::array<Text*, 3>& texts);

// Value k (1 to 3) of `mode` read from its text and limited as typed values
// are; false, leaving `value` alone, where the mode has no such value.
bool TakeSettingValue(std::int32_t mode, int k, TextView text, float& value);

// The input a control stands for when it gets the focus: 1 the tag, 2 the
// name, 4 value `value` (1 to 3); the two are left alone for other controls.
void NoteFocusedInput(int id, int tagId, int nameId, const SettingControls& ids, int& kind,
                      int& value);

// Takes the dialog's texts when the field that lost the focus is one of
// them and its text changed; true when it did.
bool TakeChangedField(ui::CDialog& dlg, const Text* field);

// Without leading and trailing white space.
void TrimWhiteSpace(Text& text);

}  // namespace qz
