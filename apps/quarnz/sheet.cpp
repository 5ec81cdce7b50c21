#include "apps/quarnz/sheet.h"

#include <algorithm>

#include "zones/describe.h"

namespace quarnz {

namespace {

using qz::gfx::CCanvas;
using qz::gfx::Rgb;

constexpr qz::gfx::Color kBlack = Rgb(0, 0, 0), kGrey = Rgb(128, 128, 128);
constexpr int kPad = 4, kSample = 24, kLegendGap = 16;

bool HighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

// One legend entry: a stroke of the pen, then its text; returns the x after it.
int LegendEntry(CCanvas& dc, int x, int y, const qz::gfx::Pen& pen, qz::TextView text) {
    qz::gfx::Size e = dc.TextExtent(text);
    dc.SelectPen(pen);
    dc.MoveToEx(x, y);
    dc.LineTo(x + kSample, y);
    dc.OutText(x + kSample + kPad, y - e.cy / 2, text);
    return x + kSample + kPad + e.cx + kLegendGap;
}

// A mark's entry: the mark, `radius` pixels each way from the centre that
// `draw(x, y)` takes, then its text; returns the x after it.
template <class Draw>
int LegendMark(CCanvas& dc, int x, int y, int radius, Draw draw, qz::TextView text) {
    const qz::gfx::Size e = dc.TextExtent(text);
    draw(x + radius, y);
    dc.OutText(x + 2 * radius + 1 + kPad, y - e.cy / 2, text);
    return x + 2 * radius + 1 + kPad + e.cx + kLegendGap;
}

int ShotEntry(CCanvas& dc, int x, int y, bool trip, qz::TextView text) {
    return LegendMark(
        dc, x, y, qz::CRxPlot::kShotRadius,
        [&](int cx, int cy) { qz::CRxPlot::DrawShotMark(dc, cx, cy, trip); }, text);
}

int TraceMarkEntry(CCanvas& dc, int x, int y, bool end, qz::TextView text) {
    return LegendMark(
        dc, x, y, qz::CRxPlot::kTraceMark,
        [&](int cx, int cy) { qz::CRxPlot::DrawTraceMark(dc, cx, cy, end); }, text);
}

}  // namespace

int LegendHeight(const SheetOptions& options) {
    return options.band || options.shots || !options.trace.empty() ? 2 * kLegendHeight
                                                                   : kLegendHeight;
}

qz::gfx::Point SheetLayout::PlotCorner(std::size_t i, const SheetOptions& options) const {
    if (!options.sheet) return {0, 0};
    const int column = int(i) % columns, row = int(i) / columns % rowsPerPage;
    return {column * options.size.cx, row * (kTitleHeight + options.size.cy) + kTitleHeight};
}

SheetLayout LayOut(std::size_t panels, const SheetOptions& options) {
    SheetLayout l;
    if (!options.sheet) {
        l.total = options.size;
        return l;
    }
    const int n = int(std::max<std::size_t>(panels, 1));
    l.columns = options.columns > 0 ? options.columns
                                    : std::max(1, kPageWidth / std::max(options.size.cx, 1));
    l.columns = std::min(l.columns, n);
    l.rows = (n + l.columns - 1) / l.columns;
    l.rowsPerPage = options.rowsPerPage > 0 ? std::min(options.rowsPerPage, l.rows) : l.rows;
    l.pages = (l.rows + l.rowsPerPage - 1) / l.rowsPerPage;
    l.total = {l.columns * options.size.cx,
               l.rowsPerPage * (kTitleHeight + options.size.cy) + LegendHeight(options)};
    return l;
}

PageSetup A4Pages(std::size_t panels, const SheetOptions& options) {
    SheetOptions one = options;
    one.rowsPerPage = 1;
    const qz::gfx::Size row = LayOut(panels, one).total;
    PageSetup p;
    p.pointsPerUnit =
        std::min({0.75, kA4Width / std::max(row.cx, 1), kA4Height / std::max(row.cy, 1)});
    const double height = kA4Height / p.pointsPerUnit - LegendHeight(options);
    p.rowsPerPage = std::max(1, int(height / (kTitleHeight + options.size.cy)));
    return p;
}

PlotPanel PanelOf(const qz::CZone& z, const qz::PictList* picts) {
    qz::Text subtitle = qz::SettingText(z.setting, qz::SettingLayout::kOneLine) + u"  " +
                        qz::FromUtf8(qz::CharKindText(z.nCharKind));
    return {z.strTag.str() + u"  " + z.strZoneName.str(),
            subtitle,
            z.nShow == 0,
            z.setting,
            picts,
            0,
            0,
            {},
            {}};
}

void SetInputs(qz::CRxPlot& plot, const PlotPanel& panel, int highlight) {
    plot.SetInputs(panel.setting, panel.picts, highlight);
    plot.fBandInner = panel.bandInner;
    plot.fBandOuter = panel.bandOuter;
    plot.shots = panel.shots;
    plot.trace = panel.trace;
}

qz::Text CutToWidth(CCanvas& dc, qz::Text text, int width) {
    if (dc.TextExtent(text).cx <= width) return text;
    const qz::Text ellipsis = u"…";
    while (!text.empty()) {
        text.pop_back();
        if (!text.empty() && HighSurrogate(text.back())) text.pop_back();
        if (dc.TextExtent(text + ellipsis).cx <= width) return text + ellipsis;
    }
    return text;
}

void DrawSheet(CCanvas& dc, const std::vector<PlotPanel>& panels, const SheetOptions& options,
               int page) {
    const SheetLayout layout = LayOut(panels.size(), options);
    // One plot for every panel: on a bitmap its layers are made once and
    // redrawn; a document takes each plot straight.
    qz::CRxPlot plot;
    plot.SetPlaceholder(dc, options.size);
    if (!options.sheet) {
        if (panels.empty()) return;
        SetInputs(plot, panels.front(), options.highlight);
        plot.RefreshOnto(dc, 0, 0);
        return;
    }
    const std::size_t perPage = std::size_t(layout.columns) * std::size_t(layout.rowsPerPage);
    const std::size_t first = std::size_t(std::max(page, 0)) * perPage;
    const std::size_t last = std::min(panels.size(), first + perPage);
    dc.FillRect({0, 0, layout.total.cx, layout.total.cy}, qz::CRxPlot::kMarginBrush);
    dc.SetTransparentText(true);
    const qz::gfx::Font oldFont = dc.SelectFont(qz::gfx::Font{});
    const qz::gfx::Pen oldPen = dc.SelectPen(qz::gfx::kNullPen);
    const qz::Text hiddenMark = u"hidden";
    const int markWidth = dc.TextExtent(hiddenMark).cx;
    for (std::size_t i = first; i < last; ++i) {
        const PlotPanel& p = panels[i];
        const qz::gfx::Point at = layout.PlotCorner(i, options);
        SetInputs(plot, p, options.highlight);
        plot.RefreshOnto(dc, at.x, at.y);

        // A hidden zone's titles are grey, the mark at the right of the first.
        const int top = at.y - kTitleHeight + kPad / 2, room = options.size.cx - 2 * kPad;
        dc.SetTextColor(p.hidden ? kGrey : kBlack);
        const int titleRoom = p.hidden ? room - markWidth - kPad : room;
        dc.OutText(at.x + kPad, top, CutToWidth(dc, p.title, titleRoom));
        if (p.hidden) dc.OutText(at.x + kPad + room - markWidth, top, hiddenMark);
        dc.OutText(at.x + kPad, top + kTitleLine, CutToWidth(dc, p.subtitle, room));
    }
    dc.SetTextColor(kBlack);
    int y = layout.total.cy - LegendHeight(options) + kLegendHeight / 2;
    int x = 2 * kPad;
    x = LegendEntry(dc, x, y, qz::CRxPlot::kElementPen, u"characteristic");
    if (options.highlight > 0)
        x = LegendEntry(dc, x, y, qz::CRxPlot::kHighlightPen, u"highlighted element");
    LegendEntry(dc, x, y, qz::CRxPlot::kSettingPen, u"setting");
    y += kLegendHeight;
    x = 2 * kPad;
    if (options.band)
        x = LegendEntry(dc, x, y, qz::CRxPlot::kBandPen,
                        u"band ±" + qz::Format("%g", options.bandShare * 100) + u" %");
    if (options.shots) {
        const qz::gfx::Brush oldBrush = dc.SelectBrush(qz::gfx::kNullBrush);
        x = ShotEntry(dc, x, y, true, u"trip");
        x = ShotEntry(dc, x, y, false, u"no trip");
        dc.SelectBrush(oldBrush);
    }
    if (!options.trace.empty()) {
        x = LegendEntry(dc, x, y, qz::CRxPlot::kTracePen, options.trace);
        x = TraceMarkEntry(dc, x, y, false, u"start");
        TraceMarkEntry(dc, x, y, true, u"end");
    }
    dc.SelectPen(oldPen);
    dc.SelectFont(oldFont);
}

}  // namespace quarnz
