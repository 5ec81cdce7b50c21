// A full refresh of the R-X plot (FitScale, DrawBackground, DrawElements) of
// a 40-element characteristic on the raster canvas, beside the same
// primitives drawn straight into Cairo: recorded once, then replayed with
// plain Cairo calls on two image surfaces made once, with no plot logic and
// no canvas layer in between.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "bench_zones.h"
#include "gfx/cairo/raster_cairo.h"
#include "gfx/recording_canvas.h"
#include "plot/rx_plot.h"

namespace {

using namespace qz;

constexpr gfx::Size kSize{360, 260};

void SetInputs(CRxPlot& plot, const PictList& list) {
    plot.setting = {3, 9, 14, 78};
    plot.pElements = &list;
    plot.nHighlightRow = 3;
}

// The plot of the characteristic on a raster screen of `extra` pixels more
// than the placeholder each way.
struct RasterPlot {
    explicit RasterPlot(int extra = 0) : screen(kSize.cx + extra, kSize.cy + extra) {
        plot.SetPlaceholder(screen, kSize);
        SetInputs(plot, list);
    }
    PictList list = qzbench::Characteristic();
    gfx::CRasterCanvas screen;
    CRxPlot plot;
};

void BM_PlotRefresh(benchmark::State& state) {
    RasterPlot r;
    for (auto _ : state) {
        r.plot.FitScale();
        r.plot.DrawBackground();
        r.plot.DrawElements();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PlotRefresh);

// ---- the same primitives, straight into Cairo ----

struct Surface {
    Surface(int w, int h)
        : surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h)), cr(cairo_create(surface)) {
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
        cairo_select_font_face(cr, "AR PL UMing CN", CAIRO_FONT_SLANT_NORMAL,
                               CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(cr, 12);
        cairo_set_line_width(cr, 1);
    }
    ~Surface() {
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
    }
    cairo_surface_t* surface;
    cairo_t* cr;
};

void Source(cairo_t* cr, gfx::Color c) {
    cairo_set_source_rgb(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0);
}

void Box(cairo_t* cr, int l, int t, int r, int b, gfx::Color c) {
    cairo_rectangle(cr, l, t, r - l, b - t);
    Source(cr, c);
    cairo_fill(cr);
}

void EllipsePath(cairo_t* cr, const std::vector<int>& v, bool arc) {
    double cx = (v[0] + v[2]) / 2.0, cy = (v[1] + v[3]) / 2.0;
    double rx = std::abs(v[2] - v[0]) / 2.0, ry = std::abs(v[3] - v[1]) / 2.0;
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, rx, ry);
    if (arc) {
        double a0 = std::atan2((v[5] - cy) / ry, (v[4] - cx) / rx);
        double a1 = std::atan2((v[7] - cy) / ry, (v[6] - cx) / rx);
        cairo_arc_negative(cr, 0, 0, 1, a0, a1);
    } else {
        cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
    }
    cairo_restore(cr);
}

struct Replay {
    struct Op {
        const gfx::Call* call;
        std::string utf8;  // for text
    };
    std::vector<Op> background, elements;
};

void Play(Surface& s, const std::vector<Replay::Op>& ops, Surface* source) {
    cairo_t* cr = s.cr;
    gfx::Point at;
    for (const Replay::Op& op : ops) {
        const gfx::Call& c = *op.call;
        const std::vector<int>& v = c.ints;
        switch (c.kind) {
            case gfx::Call::kFillRect:
                Box(cr, v[0], v[1], v[2], v[3], c.brush.color);
                break;
            case gfx::Call::kDraw3dRect:
                Box(cr, v[0], v[1], v[2] - 1, v[1] + 1, c.colors[0]);
                Box(cr, v[0], v[1], v[0] + 1, v[3] - 1, c.colors[0]);
                Box(cr, v[2] - 1, v[1], v[2], v[3], c.colors[1]);
                Box(cr, v[0], v[3] - 1, v[2], v[3], c.colors[1]);
                break;
            case gfx::Call::kEllipse:
            case gfx::Call::kArc:
                EllipsePath(cr, v, c.kind == gfx::Call::kArc);
                Source(cr, c.pen.color);
                cairo_set_line_width(cr, c.pen.width);
                cairo_stroke(cr);
                break;
            case gfx::Call::kMoveToEx:
                at = {v[0], v[1]};
                break;
            case gfx::Call::kLineTo:
                cairo_move_to(cr, at.x + 0.5, at.y + 0.5);
                cairo_line_to(cr, v[0] + 0.5, v[1] + 0.5);
                Source(cr, c.pen.color);
                cairo_set_line_width(cr, c.pen.width);
                cairo_stroke(cr);
                at = {v[0], v[1]};
                break;
            case gfx::Call::kPolyline:
                cairo_move_to(cr, v[0] + 0.5, v[1] + 0.5);
                for (std::size_t i = 2; i + 1 < v.size(); i += 2)
                    cairo_line_to(cr, v[i] + 0.5, v[i + 1] + 0.5);
                Source(cr, c.pen.color);
                cairo_stroke(cr);
                break;
            case gfx::Call::kOutText: {
                // The plot measures every label to place it.
                cairo_text_extents_t e;
                cairo_text_extents(cr, op.utf8.c_str(), &e);
                benchmark::DoNotOptimize(e);
                Source(cr, c.textColor);
                cairo_move_to(cr, v[0], v[1] + 10);
                cairo_show_text(cr, op.utf8.c_str());
                break;
            }
            case gfx::Call::kBitBlt:
                cairo_set_source_surface(cr, source->surface, v[0] - v[4], v[1] - v[5]);
                cairo_rectangle(cr, v[0], v[1], v[2], v[3]);
                cairo_fill(cr);
                break;
            case gfx::Call::kPushClip:
            case gfx::Call::kPopClip:
                break;  // a bitmap's plot draws through layers, never cut
        }
    }
}

void BM_DirectCairo(benchmark::State& state) {
    PictList list = qzbench::Characteristic();
    gfx::CRecordingCanvas recorder(kSize.cx, kSize.cy);
    CRxPlot plot;
    plot.SetPlaceholder(recorder, kSize);
    SetInputs(plot, list);
    plot.Refresh();
    Replay replay;
    for (const gfx::Call& c : recorder.Layer(1).calls)
        replay.background.push_back({&c, ToUtf8Lossy(c.text)});
    for (const gfx::Call& c : recorder.Layer(2).calls)
        replay.elements.push_back({&c, ToUtf8Lossy(c.text)});

    Surface background(kSize.cx, kSize.cy);
    Surface elements(kSize.cx - 70, kSize.cy - 60);
    for (auto _ : state) {
        Play(background, replay.background, nullptr);
        Play(elements, replay.elements, &background);
        cairo_surface_flush(elements.surface);
        benchmark::ClobberMemory();
    }
    state.counters["calls"] = double(replay.background.size() + replay.elements.size());
}
BENCHMARK(BM_DirectCairo);

// Painting: the two block copies.
void BM_Paint(benchmark::State& state) {
    RasterPlot r(20);
    r.plot.Refresh();
    for (auto _ : state) {
        r.plot.Paint(r.screen, 10, 10);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Paint);

}  // namespace

BENCHMARK_MAIN();
