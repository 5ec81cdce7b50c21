// The zone settings dialog: the zone table, the allowed error and the
// commands on the zones.  It edits the library object's lists in place.
#pragma once

#include "ui/dialog.h"
#include "zones/zone_list.h"

namespace qz {

class CDlg_ZoneSet : public ui::CDialog {
  public:
    explicit CDlg_ZoneSet(CZoneLists& lists);

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

  private:
    ui::CMSFlexGrid& Table() { return Grid(res::kGridZones); }
    void FillGrid();
    void EnsureRowVisible();
    void ApplyAllowedError();
    void OnDeleteZone();
    void OnClearZones();

    CZoneLists& lists_;
};

}  // namespace qz
