#include "dialogs/common/live_plot.h"

namespace qz {

void CLivePlot::FitTo(ui::CDialog& dlg) {
    if (gfx::CCanvas* surface = dlg.Surface()) {
        const ui::Rect& r = dlg.Item(placeholder).rect;
        SetPlaceholder(*surface, {r.Width(), r.Height()});
    }
}

void CLivePlot::Show(ui::CDialog& dlg, const ZoneSetting& s, const PictList& elements,
                     int highlightRow) {
    SetInputs(s, &elements, highlightRow);
    FitTo(dlg);
    Refresh();
    dlg.Invalidate();
}

void CLivePlot::PaintIn(const ui::CDialog& dlg, gfx::CCanvas& dc) const {
    const ui::Rect& r = dlg.Item(placeholder).rect;
    Paint(dc, r.left, r.top);
}

}  // namespace qz
