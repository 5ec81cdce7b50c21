// Any bytes as a template characteristic: a setting (mode byte, three raw
// floats), a placeholder size byte, then an element list in formula form.
// The list is instantiated with the setting, fitted and drawn on a recording
// canvas, linked as a polygon and drawn again.  Whatever the formulas yield,
// every drawn coordinate must stay within the pixel limit and the scale must
// stay finite.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "formula/formula_parser.h"
#include "gfx/recording_canvas.h"
#include "plot/rx_plot.h"
#include "records/geometry.h"
#include "records/setting.h"

namespace {

constexpr std::size_t kHead = 1 + 3 * sizeof(float) + 2;

void Check(bool ok) {
    if (!ok) std::abort();
}

void CheckDrawn(const qz::gfx::CRecordingCanvas& screen) {
    for (int id = 0; id < screen.LayerCount(); ++id)
        for (const qz::gfx::Call& c : screen.Layer(id).calls)
            for (int v : c.ints) Check(std::abs(double(v)) <= qz::kPixelLimit);
}

void Refresh(qz::CRxPlot& plot, const qz::gfx::CRecordingCanvas& screen) {
    plot.Refresh();
    Check(std::isfinite(plot.fStep) && plot.fStep > 0);
    Check(plot.nDivisions >= 1 && plot.nDivisions <= 12);
    Check(std::isfinite(plot.fPixelsPerStep));
    CheckDrawn(screen);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kHead) return 0;
    const int mode = data[0] % 6;  // the four modes and two that are none
    float values[3];
    std::memcpy(values, data + 1, sizeof values);
    const int side = 60 + data[13] % 200;
    const int highlight = data[14] % 8;

    qz::PictList list;
    try {
        qz::CArchiveReader ar(data + kHead, size - kHead);
        qz::LoadPicts(ar, list, qz::PictForm::kFormula);
    } catch (const qz::ArchiveError&) {
        return 0;
    }
    qz::CFormulaParser parser;
    qz::BindSetting(parser, {mode, values[0], values[1], values[2]});
    qz::InstantiatePicts(list, parser);

    qz::gfx::CRecordingCanvas screen(side + 40, side);
    qz::CRxPlot plot(data[13] & 1 ? qz::CRxPlot::Rounding::kTruncate
                                  : qz::CRxPlot::Rounding::kRound);
    plot.SetPlaceholder(screen, {side + 40, side});
    plot.setting = {mode, values[0], values[1], values[2]};
    plot.pElements = &list;
    plot.nHighlightRow = highlight;
    Refresh(plot, screen);

    // The lens dialog's relations on whatever the lenses hold.
    for (const auto& pict : list) {
        if (auto* lens = dynamic_cast<const qz::CPictLens*>(pict.get())) {
            float chord = qz::Chord(lens->ptZ1, lens->ptZ2).mag;
            qz::LensFromInnerAngle(lens->fInnerAngle, chord);
            qz::LensFromWidth(lens->ptZ1.fValue1, chord);
            qz::LensFromRatio(lens->ptZ2.fValue2, chord);
        }
    }

    // The same lines as a polygon of the graph editor, with inclinations from
    // the values just computed.
    for (const auto& pict : list) {
        if (auto* line = dynamic_cast<qz::CPictLine*>(pict.get())) {
            line->ptZ = line->ptZ2;
            line->fInclination = line->ptZ1.fValue2;
        }
    }
    qz::LinkPolygon(list);
    Refresh(plot, screen);
    return 0;
}
