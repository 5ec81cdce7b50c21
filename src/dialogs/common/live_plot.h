// The R-X plot a dialog shows live in a placeholder control: fed from a
// setting and an element list, fitted to the placeholder, redrawn at once.
#pragma once

#include "plot/rx_plot.h"
#include "records/pict.h"
#include "records/setting.h"
#include "ui/dialog.h"

namespace qz {

class CLivePlot : public CRxPlot {
  public:
    explicit CLivePlot(int placeholderId, Rounding backgroundRounding = Rounding::kRound)
        : CRxPlot(backgroundRounding), placeholder(placeholderId) {}

    // Fits the plot to the placeholder on the dialog's surface, if it has one.
    void FitTo(ui::CDialog& dlg);
    // Takes the inputs, fits, refreshes the layers and asks the dialog to
    // paint again.
    void Show(ui::CDialog& dlg, const ZoneSetting& s, const PictList& elements, int highlightRow);
    // Copies the layers into the placeholder.
    void PaintIn(const ui::CDialog& dlg, gfx::CCanvas& dc) const;

  private:
    int placeholder;
};

}  // namespace qz
