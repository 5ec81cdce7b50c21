#include "dialogs/grapheditor/element_dlgs.h"

#include "base/helpers.h"
#include "records/geometry.h"
#include "resources/resource_ids.h"

namespace qz {

namespace {
constexpr const char* kOhms = "%.3f Ω";
constexpr const char* kDegrees = "%.3f °";
constexpr float kWrap = 360.0f;  // with -360: wrapped rather than clamped

PictPoint MakePoint(std::int32_t form, float value1, float value2) {
    PictPoint p;
    p.nCoord = form;
    p.fValue1 = value1;
    p.fValue2 = value2;
    return p;
}
}  // namespace

// ---- shared -------------------------------------------------------------

CElementParamDlg::CElementParamDlg(int templateId, int okId, int cancelId, bool convertForms)
    : CDialog(templateId), okId_(okId), cancelId_(cancelId), convertForms_(convertForms) {}

Text* CElementParamDlg::EditText(int id) {
    for (const auto& p : points_) {
        if (id == p.edit1) return p.text1;
        if (id == p.edit2) return p.text2;
    }
    for (const auto& f : fields_)
        if (id == f.edit) return f.text;
    return nullptr;
}

void CElementParamDlg::DoDataExchange(ui::CDataExchange& dx) {
    for (auto& p : points_) {
        ui::DDX_Text(dx, p.edit1, *p.text1);
        ui::DDX_Text(dx, p.edit2, *p.text2);
        // Without conversion the form is simply what the combo shows.
        if (dx.bSaveAndValidate && !convertForms_) {
            int index = ListGetCurSel(p.combo);
            if (index >= 0) p.pt->nCoord = index;
        }
    }
    for (auto& f : fields_) ui::DDX_Text(dx, f.edit, *f.text);
}

bool CElementParamDlg::OnInitDialog() {
    for (const auto& p : points_) {
        ListResetContent(p.combo);
        ListAddString(p.combo, u"极坐标");
        ListAddString(p.combo, u"直角坐标 (笛卡尔坐标)");
    }
    Refresh();
    return true;
}

void CElementParamDlg::Refresh() {
    for (const auto& p : points_) {
        ListSetCurSel(p.combo, p.pt->nCoord);
        if (p.pt->nCoord != 0 && p.pt->nCoord != 1) continue;
        bool polar = p.pt->nCoord == 0;
        SetDlgItemText(p.label1, polar ? u"幅值 =" : u"R =");
        SetDlgItemText(p.label2, polar ? u"角度 =" : u"X =");
        *p.text1 = Format(kOhms, double(p.pt->fValue1));
        *p.text2 = Format(polar ? kDegrees : kOhms, double(p.pt->fValue2));
    }
    for (const auto& f : fields_) *f.text = Format(f.format, double(*f.value));
    UpdateData(false);
}

void CElementParamDlg::Apply() {
    for (const auto& p : points_) {
        if (p.group != nFocusGroup) continue;
        PictPoint& pt = *p.pt;
        bool polar = pt.nCoord == 0;
        if (nFocusItem == 1) {
            int index = ListGetCurSel(p.combo);
            if (index < 0) break;
            if (!convertForms_) {
                pt.nCoord = index;
            } else if (index != pt.nCoord) {
                pt.nCoord = index;
                if (index == 0) {
                    PolarValue v = RectToPolar(pt.fValue1, pt.fValue2);
                    pt.fValue1 = v.mag;
                    pt.fValue2 = v.ang;
                } else {
                    RectValue v = PolarToRect(pt.fValue1, pt.fValue2);
                    pt.fValue1 = v.R;
                    pt.fValue2 = v.X;
                }
            }
        } else if (nFocusItem == 2) {
            pt.fValue1 = TextToNumberInRange(*p.text1, 1000, polar ? 0 : -1000);
        } else if (nFocusItem == 3) {
            pt.fValue2 = polar ? TextToNumberInRange(*p.text2, kWrap, -kWrap)
                               : TextToNumberInRange(*p.text2, 1000, -1000);
        }
    }
    for (const auto& f : fields_) {
        if (f.group != nFocusGroup || f.item != nFocusItem) continue;
        *f.value = TextToNumberInRange(*f.text, f.hi, f.lo);
        AfterApply(f.group, f.item);
    }
    Refresh();
}

void CElementParamDlg::TakeEdit(int id) {
    Text* text = EditText(id);
    if (!text) return;
    Text before = *text;
    UpdateData(true);
    // A field left as it was keeps its number unread, so nothing is rounded.
    if (*text != before) Apply();
}

void CElementParamDlg::OnSetFocus(int id) {
    for (const auto& p : points_) {
        int item = id == p.combo ? 1 : id == p.edit1 ? 2 : id == p.edit2 ? 3 : 0;
        if (item != 0) {
            nFocusGroup = p.group;
            nFocusItem = item;
            return;
        }
    }
    for (const auto& f : fields_)
        if (id == f.edit) {
            nFocusGroup = f.group;
            nFocusItem = f.item;
            return;
        }
}

void CElementParamDlg::OnKillFocus(int id) {
    TakeEdit(id);
}

void CElementParamDlg::OnSelChange(int id) {
    for (const auto& p : points_)
        if (id == p.combo) {
            UpdateData(true);
            Apply();
            return;
        }
}

void CElementParamDlg::OnOK() {
    // Enter takes the focused field; only the buttons end the dialog.
    TakeEdit(GetFocusId());
    SelectFocusedText();
}

void CElementParamDlg::OnCancel() {
    // Escape shows the stored numbers again.
    Refresh();
}

void CElementParamDlg::OnCommand(int id) {
    if (id == okId_) {
        UpdateData(true);
        EndDialog(kIdOk);
    } else if (id == cancelId_) {
        EndDialog(kIdCancel);
    }
}

// ---- the three dialogs --------------------------------------------------

CDlg_Import_Graph_Polygon::CDlg_Import_Graph_Polygon()
    : CElementParamDlg(res::kDlgPolygon, res::kBtnLineOk, res::kBtnLineCancel, false) {
    ptZ = MakePoint(1, 0, 0);
    BindPoint({&ptZ, &strZValue1, &strZValue2, 1, res::kListLineForm, res::kLabelLineValue1,
               res::kLabelLineValue2, res::kEditLineValue1, res::kEditLineValue2});
    BindField(
        {&fInclination, &strInclination, 2, 1, res::kEditLineInclination, kDegrees, -kWrap, kWrap});
}

CDlg_Import_Graph_Mho::CDlg_Import_Graph_Mho()
    : CElementParamDlg(res::kDlgMho, res::kBtnMhoOk, res::kBtnMhoCancel, true) {
    ptZ1 = MakePoint(0, 1.0f, 78.0f);
    ptZ2 = MakePoint(0, 0, 0);
    BindPoint({&ptZ1, &strZ1Value1, &strZ1Value2, 1, res::kListMhoForm1, res::kLabelMho1Value1,
               res::kLabelMho1Value2, res::kEditMho1Value1, res::kEditMho1Value2});
    BindPoint({&ptZ2, &strZ2Value1, &strZ2Value2, 2, res::kListMhoForm2, res::kLabelMho2Value1,
               res::kLabelMho2Value2, res::kEditMho2Value1, res::kEditMho2Value2});
    BindField({&fShiftAngle, &strShiftAngle, 3, 1, res::kEditMhoShift, kDegrees, -80, 80});
}

CDlg_Import_Graph_Lens::CDlg_Import_Graph_Lens()
    : CElementParamDlg(res::kDlgLens, res::kBtnLensOk, res::kBtnLensCancel, true) {
    ptZ1 = MakePoint(0, 1.0f, 78.0f);
    ptZ2 = MakePoint(0, 0, 0);
    BindPoint({&ptZ1, &strZ1Value1, &strZ1Value2, 1, res::kListLensForm1, res::kLabelLens1Value1,
               res::kLabelLens1Value2, res::kEditLens1Value1, res::kEditLens1Value2});
    BindPoint({&ptZ2, &strZ2Value1, &strZ2Value2, 2, res::kListLensForm2, res::kLabelLens2Value1,
               res::kLabelLens2Value2, res::kEditLens2Value1, res::kEditLens2Value2});
    BindField({&fInnerAngle, &strInnerAngle, 3, 1, res::kEditLensInnerAngle, kDegrees, 10, 170});
    BindField({&fWidthA, &strWidthA, 3, 2, res::kEditLensWidthA, kOhms, 0.001f, 1000});
    BindField({&fRatioAB, &strRatioAB, 3, 3, res::kEditLensRatioAB, "%.3f", 0.001f, 1000});
    AfterApply(3, 1);
}

void CDlg_Import_Graph_Lens::AfterApply(int group, int item) {
    if (group != 3) return;
    // The chord as the points stand now; changing a point later leaves A alone.
    float chord = Chord(ptZ1, ptZ2).mag;
    LensShape s = item == 1   ? LensFromInnerAngle(fInnerAngle, chord)
                  : item == 2 ? LensFromWidth(fWidthA, chord)
                              : LensFromRatio(fRatioAB, chord);
    fInnerAngle = s.fInnerAngle;
    fWidthA = s.fWidthA;
    fRatioAB = s.fRatioAB;
}

}  // namespace qz
