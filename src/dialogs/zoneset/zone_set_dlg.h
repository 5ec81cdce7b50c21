// The zone settings dialog: the zone table, the allowed error and the
// commands on the zones.  It edits the library object's lists in place.
#pragma once

#include "dialogs/customzone/custom_zone_dlg.h"
#include "templates/template_db.h"
#include "ui/dialog.h"
#include "zones/zone_list.h"

namespace qz {

class CDlg_ZoneSet : public ui::CDialog {
  public:
    // `workPath` is the working folder of the exchange files (empty: none can
    // be written); `database` opens the template library on demand.
    explicit CDlg_ZoneSet(CZoneLists& lists, Text workPath = {}, TemplateSource database = {});

    Text strPictFile;
    Text strAllowedError;
    int bErrorEdited = -1;
    int nCurRow = 0;

  protected:
    void DoDataExchange(ui::CDataExchange& dx) override;
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnCommand(int id) override;
    void OnSetFocus(int id) override;
    void OnKillFocus(int id) override;
    void OnGridEvent(int id, int event) override;
    bool OnRightButtonUp(int id, ui::Point screen) override;
    void OnGridKey(int id, const ui::KeyStroke& key) override;

  private:
    ui::CMSFlexGrid& Table() { return Grid(res::kGridZones); }
    void FillGrid();
    static constexpr int kAllRows = -1, kNoRows = 0;
    // The allowed error and the table's layout, with `rows` (one row's
    // number, or either constant) written anew.
    void RefreshGrid(int rows);
    void ShowRow(int row);
    void ShowNumber(int row);  // the number column: the row's number and its tick
    void ApplyAllowedError();
    void OnImportZone();
    void EditImportedZone(CZone& zone);
    void OnCustomZone();
    void OnEditZone();
    void EditCustomZone(CZone& zone);
    // The custom zone dialog from `zone`, or with the first zone's defaults.
    void PrepareCustom(CDlg_Import_ProtEdit& dlg, const CZone* zone);
    // Appends `zone` under a unique form of `tag` with `picts`.
    void AppendZone(std::unique_ptr<CZone> zone, TextView tag, PictList picts);
    void OnDeleteZone();
    void OnClearZones();

    CZoneLists& lists_;
    bool columnsLaidOut_ = false;
    Text workPath_;
    TemplateSource database_;
};

}  // namespace qz
