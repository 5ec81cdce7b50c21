// The import of one protection zone from the template library: a tree of
// manufacturers, protection sorts, models and zones, the selected zone's
// tag, name and setting, and its characteristic evaluated with that setting
// in a preview.  The caller presets the members, runs the dialog and, after
// OK, reads them back with the characteristic in `arrResult`.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "dialogs/common/live_plot.h"
#include "dialogs/common/setting_fields.h"
#include "formula/formula_parser.h"
#include "records/pict.h"
#include "resources/resource_ids.h"
#include "templates/template_db.h"
#include "ui/dialog.h"

namespace qz {

// The import's exchange file in the working folder: the selected zone's
// characteristic in formula form while the dialog runs, in numeric form
// once it is confirmed.
inline constexpr TextView kProtFileName = u"prot.tmp";

class CDlg_Import_Prot : public CSettingDialog {
  public:
    // workPath: the working folder; empty when there is none (nothing is
    // written then).
    CDlg_Import_Prot(TemplateSource database, Text workPath);

    std::int32_t nID = -1;
    ZoneSetting setting;
    Text strTag, strZoneName, strResultFile;
    // In: the dialog edits a zone, so a template that is not in the library
    // is worth a word.
    bool bEditingZone = false;
    // Out: a template zone was chosen in the tree; after OK its elements,
    // evaluated for the confirmed setting, are in `arrResult`.
    bool bZoneChosen = false;
    PictList arrResult;

    // What leaving a changed field and Enter run: takes over the field that
    // had the focus, shows the setting and evaluates the characteristic
    // again from `strResultFile`.
    void ApplyEdit();
    // The characteristic as last read and evaluated.
    const PictList& Elements() const { return arrPicts; }

  protected:
    void DoDataExchange(ui::CDataExchange& dx) override;
    bool OnInitDialog() override;
    void OnClose() override;
    void OnCommand(int id) override;
    void OnSetFocus(int id) override;
    void TakeInput() override { ApplyEdit(); }
    Text* FieldText(int id) override;
    void OnTreeSelChanged(int id) override;
    void OnPaint(gfx::CCanvas& dc) override;
    void OnDestroy() override;

  private:
    void FillTree();
    void FillManufacturers(ui::TreeItem parent);
    void FillSorts(ui::TreeItem parent, const Text& manufacturer);
    void FillModels(ui::TreeItem parent, const Text& manufacturer, const Text& sort);
    void FillZones(ui::TreeItem parent, const Text& manufacturer, const Text& sort,
                   const Text& model);
    void OnSelectTreeItem();
    void DeriveZoneTag();
    void ShowSetting();
    // Evaluates the chosen zone's characteristic (formula form, as the
    // library holds it) with the current setting, then refreshes the preview.
    void ReloadElements();
    void OnConfirm();
    Text ProtPath() const;
    CTemplateDatabase* Database() const;

    TemplateSource database_;
    Text strWorkPath;
    std::array<Text, 3> strValues;
    // The chosen zone's characteristic as the library gave it: never read
    // back from "prot.tmp", which anyone may replace while the dialog runs.
    std::vector<std::uint8_t> protFormula;
    PictList arrPicts;
    CFormulaParser parser;
    CLivePlot preview{res::kImportPreview, CRxPlot::Rounding::kTruncate};
    int nFocusField = -1;  // 1 tag, 2 name, 4 a value field
    int nFocusValue = -1;  // which value field: 1 to 3
    std::int32_t nInitialID = -1;
    std::array<float, 3> fInitialValues{};
    ui::TreeItem hPreselectItem = ui::kTreeNone;
    int nTreeImages = 0;  // the bitmap of the tree's images, once attached
};

}  // namespace qz
