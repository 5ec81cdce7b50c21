// The impedance setting as the zone dialogs show and take it: the mode list
// and the three value rows, as the setting's mode table gives them, and the
// field-by-field input of the two dialogs that edit a zone's setting.
#pragma once

#include <array>
#include <cstdint>

#include "base/text.h"
#include "records/setting.h"
#include "ui/dialog.h"

namespace qz {

// The controls of one dialog's setting.
struct SettingControls {
    int list;
    std::array<int, 3> labels, values;
};

// The list's items: the four modes' texts in mode order.
void FillModeList(ui::CDialog& dlg, int listId);

// Selects the mode in the list, sets the labels and formats the values into
// `texts` for that mode.  A value the mode does not have keeps its label and
// text and is hidden; a mode outside 0 to 3 leaves every label and text.  The
// caller writes the texts into the fields.
void ShowSettingFields(ui::CDialog& dlg, const SettingControls& ids, const ZoneSetting& setting,
                       const std::array<Text*, 3>& texts);

// The input a control stands for when it gets the focus: 1 the tag, 2 the
// name, 4 value `value` (1 to 3); the two are left alone for other controls.
void NoteFocusedInput(int id, int tagId, int nameId, const SettingControls& ids, int& kind,
                      int& value);

// Takes the input NoteFocusedInput noted: the tag or the name trimmed, or
// value `value` read from its text.
void TakeNotedInput(int kind, int value, Text& tag, Text& name, ZoneSetting& setting,
                    const std::array<const Text*, 3>& texts);

// A zone dialog that takes its tag, name and setting field by field: Enter
// and leaving a changed field take the input last entered, Escape shows the
// members again, dropping what was typed; only its buttons end it.
class CSettingDialog : public ui::CDialog {
  public:
    using ui::CDialog::CDialog;

  protected:
    // Takes the input last entered into its member and shows them all again.
    virtual void TakeInput() = 0;
    // The member a text field exchanges with; null for other controls.
    virtual Text* FieldText(int id) = 0;

    void OnOK() override;
    void OnCancel() override;
    void OnKillFocus(int id) override;
};

// Without leading and trailing white space.
void TrimWhiteSpace(Text& text);

}  // namespace qz
