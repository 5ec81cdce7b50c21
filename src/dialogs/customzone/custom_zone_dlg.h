// The zone the user defines by hand: tag, name, setting mode and values.
// The caller fills the members, runs the dialog and reads them back after
// OK; the dialog itself touches neither the zone list nor the element list.
#pragma once

#include <cstdint>
#include <functional>

#include "dialogs/common/setting_fields.h"
#include "records/pict.h"
#include "records/setting.h"

namespace qz {

class CDlg_Import_ProtEdit : public CSettingDialog {
  public:
    CDlg_Import_ProtEdit();

    std::int32_t nID = -1;  // passed through unchanged
    ZoneSetting setting;
    std::int32_t nCharKind = 0;
    Text strPictFile;  // element list file; empty for none
    // The characteristic: the caller's going in, the editor's after its OK.
    PictList arrPicts;
    Text strTag, strZoneName;
    Text strValue1, strValue2, strValue3;
    // The input last entered: 1 tag, 2 name, 3 mode list, 4 value nFocusValue.
    int nFocusKind = -1;
    int nFocusValue = -1;

    // What the characteristic's editor is given and, after OK, hands back
    // in `strPictFile` (the file it wrote), `elements` and `nCharKind`.
    struct GraphRequest {
        std::int32_t nID;
        ZoneSetting setting;
        Text strPictFile;
        PictList elements;
        std::int32_t nCharKind;
    };
    // Runs the characteristic's editor; true when it ended with OK.  Unset,
    // the button does nothing.
    std::function<bool(GraphRequest&)> runGraphEditor;

    // Shows the first refusal and returns false; true when the input passes.
    bool Validate();

  protected:
    void DoDataExchange(ui::CDataExchange& dx) override;
    bool OnInitDialog() override;
    void OnCommand(int id) override;
    void OnSetFocus(int id) override;
    void OnSelChange(int id) override;
    void TakeInput() override { ApplyInput(); }
    Text* FieldText(int id) override;
    void OnDropDown(int id) override;

  private:
    // The members into the labels, texts and controls.
    void ShowInputs();
    // Takes the input last entered into its member, then ShowInputs.
    void ApplyInput();
    void RunGraphEditor();
};

}  // namespace qz
