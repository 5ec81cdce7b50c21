// The graph editor: the characteristic of a hand-made zone drawn element by
// element in a table, with a live R-X plot of the zone.  The caller sets the
// inputs, runs the dialog and, after OK only, reads back the element list
// file written into the working folder and the characteristic kind.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "dialogs/common/live_plot.h"
#include "dialogs/customzone/custom_zone_dlg.h"
#include "records/pict.h"
#include "records/zone.h"
#include "resources/resource_ids.h"
#include "ui/dialog.h"

namespace qz {

class CDlg_Import_Graph : public ui::CDialog {
  public:
    // `workPath`: the folder "graph.tmp" is written into on OK; empty for
    // none, when nothing is written.
    explicit CDlg_Import_Graph(Text workPath);

    int nCharKind = kCharCircle;  // the radio buttons' order
    // In: the element list file to start from, may be empty.  Out: the file
    // written on OK, empty when it could not be written or after Cancel.  An
    // empty list still writes a file (count 0), so an empty path always means
    // a failed write or no file chosen.
    Text strPictFile;
    // In: the elements to start from, taken instead of strPictFile's when set.
    std::optional<PictList> startElements;
    // Out after OK: the elements confirmed.  What the caller takes: a file
    // can be replaced by anyone between its write and its read.
    PictList arrResult;
    ZoneSetting setting;
    std::int32_t nID = -1;  // kept, not used
    // 0: none (or the heading row); k >= 1: element k - 1, highlighted in the plot.
    int nCurRow = 0;

    const PictList& Elements() const { return arrPicts; }
    const CRxPlot& Plot() const { return plot; }

  protected:
    void DoDataExchange(ui::CDataExchange& dx) override;
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnClose() override;
    void OnCommand(int id) override;
    void OnGridEvent(int id, int event) override;
    bool OnRightButtonUp(int id, ui::Point screen) override;
    void OnDestroy() override;
    void OnPaint(gfx::CCanvas& dc) override;

    // Radio group, table and plot from the members.
    void RefreshAll();
    void FillTable();
    // Runs the element dialog of the kind and, after OK, inserts the new
    // element at `position` (-1: the end).
    void NewElement(int position);
    void EditElement();
    bool LoadGraphFile(const Text& path);
    bool SaveGraphFile(const Text& path) const;
    // Links the polygon's sides; nothing for the other kinds.
    void LinkPolygon();

    // What follows the element dialogs' OK: the list changed, then linked and
    // shown with the selection the rules give.
    void InsertElement(std::unique_ptr<CPict> pict, int position);
    void ElementEdited();
    void RemoveElement(int row);

    PictList arrPicts;
    CLivePlot plot{res::kGraphPreview};

  private:
    ui::CMSFlexGrid& Table() { return Grid(res::kGridElements); }
    // The one-element rule of circles and lenses; true when another may come.
    bool MayAddElement();
    void OnDeleteElement();
    void OnClearElements();

    Text strWorkPath;
    bool columnsLaidOut_ = false;
};

// Runs the editor for the custom zone dialog's characteristic button: fills
// the editor from the request, and after OK writes back strPictFile and
// nCharKind; true on OK.
bool RunGraphEditor(const Text& workPath, CDlg_Import_ProtEdit::GraphRequest& request);

}  // namespace qz
