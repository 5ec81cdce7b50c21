// The parameter dialogs of one element of a hand-made characteristic: a
// polygon's line, a circle, a lens.  The graph editor presets the numbers,
// runs the dialog and, after OK, builds the element from the numbers; the
// texts only mirror them.
#pragma once

#include <vector>

#include "records/pict.h"
#include "ui/dialog.h"

namespace qz {

// What the three dialogs share: impedance points shown in polar or
// rectangular form, single numbers with their limits, and the rule that a
// field's text is taken when it loses the focus (or on Enter), limited, and
// shown again in its format.  Escape shows the stored numbers again; only
// the buttons end the dialog.
class CElementParamDlg : public ui::CDialog {
  public:
    // The field that has the focus: (group, item), (-1, -1) before the first.
    int nFocusGroup = -1;
    int nFocusItem = -1;

  protected:
    // `convertForms`: a change of a point's form converts its two numbers
    // (circle, lens) rather than only their meaning (polygon).
    CElementParamDlg(int templateId, int okId, int cancelId, bool convertForms);

    // A point is group `group`: its combo item 1, value 1 item 2, value 2 item 3.
    struct PointBinding {
        PictPoint* pt;
        Text* text1;
        Text* text2;
        int group, combo, label1, label2, edit1, edit2;
    };
    struct FieldBinding {
        float* value;
        Text* text;
        int group, item, edit;
        const char* format;
        float lo, hi;  // -360, 360: wrapped
    };
    void BindPoint(const PointBinding& b) { points_.push_back(b); }
    void BindField(const FieldBinding& b) { fields_.push_back(b); }
    // After a single number was taken: keeps what depends on it consistent.
    virtual void AfterApply(int /*group*/, int /*item*/) {}
    // The numbers into the texts and the texts into the controls.
    void Refresh();

    void DoDataExchange(ui::CDataExchange& dx) override;
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnCommand(int id) override;
    void OnSetFocus(int id) override;
    void OnKillFocus(int id) override;
    void OnSelChange(int id) override;

  private:
    // The texts of the controls taken; applies when the edit `id` changed.
    void TakeEdit(int id);
    // Takes the text or choice of the focused field into its numbers.
    void Apply();
    Text* EditText(int id);

    int okId_, cancelId_;
    bool convertForms_;
    std::vector<PointBinding> points_;
    std::vector<FieldBinding> fields_;
};

// One line of a polygon: a point Z on it and its inclination.
class CDlg_Import_Graph_Polygon : public CElementParamDlg {
  public:
    CDlg_Import_Graph_Polygon();

    PictPoint ptZ;  // rectangular at first
    float fInclination = 0;
    Text strZValue1, strZValue2, strInclination;
};

// A circle through Z1 and Z2, its chord turned by the deflection angle.
class CDlg_Import_Graph_Mho : public CElementParamDlg {
  public:
    CDlg_Import_Graph_Mho();

    PictPoint ptZ1;  // 1 at 78 degrees at first
    PictPoint ptZ2;
    float fShiftAngle = 0;
    Text strZ1Value1, strZ1Value2, strZ2Value1, strZ2Value2, strShiftAngle;
};

// A lens on the long axis Z1-Z2; its inner angle, width A and ratio A/B
// follow one another over the chord as it stands.
class CDlg_Import_Graph_Lens : public CElementParamDlg {
  public:
    CDlg_Import_Graph_Lens();

    PictPoint ptZ1;  // 1 at 78 degrees at first
    PictPoint ptZ2;
    float fInnerAngle = 120.0f;
    float fWidthA = 0;
    float fRatioAB = 0;
    Text strZ1Value1, strZ1Value2, strZ2Value1, strZ2Value2;
    Text strInnerAngle, strWidthA, strRatioAB;

  protected:
    void AfterApply(int group, int item) override;
};

}  // namespace qz
