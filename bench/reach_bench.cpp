// The reach of 1,000 zones at 360 angles each (the region made per zone, as
// quarnz reach makes it) beside drawing the same zones' plots on the raster
// canvas (a refresh each: scale, background, elements).  The target is a
// ratio of at most 1.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "gfx/cairo/raster_cairo.h"
#include "plot/rx_plot.h"
#include "ratio_reporter.h"
#include "records/region.h"

namespace {

using namespace qz;

constexpr int kZones = 1000, kAngles = 360;
constexpr gfx::Size kSize{360, 260};

PictPoint At(float R, float X) {
    return {1, R, X, u"0.0", u"0.0"};
}

// Circles, lenses, quadrilaterals and polygons of lines and an arc, in turn.
std::vector<PictList> Zones() {
    std::vector<PictList> zones(kZones);
    for (int i = 0; i < kZones; ++i) {
        const float s = 5 + float(i % 17);
        PictList& z = zones[i];
        switch (i % 4) {
            case 0: {
                auto m = std::make_unique<CPictMho>();
                m->ptZ1 = At(0.2f * s, s), m->ptZ2 = At(-0.05f * s, -0.1f * s);
                m->fShiftAngle = float(i % 30);
                z.push_back(std::move(m));
                break;
            }
            case 1: {
                auto l = std::make_unique<CPictLens>();
                l->ptZ1 = At(0.25f * s, s), l->ptZ2 = At(-0.05f * s, -0.2f * s);
                l->fInnerAngle = 60 + float(i % 90);
                z.push_back(std::move(l));
                break;
            }
            default: {
                // A quadrilateral, or an octagon with one side an arc.
                const int n = i % 4 == 2 ? 4 : 8;
                std::vector<RectValue> v;
                for (int k = 0; k < n; ++k) {
                    double a = 2 * kPi * k / n + 0.3;
                    double r = s * (k % 2 ? 0.7 : 1.0);
                    v.push_back(
                        {float(0.2 * s + r * std::cos(a)), float(0.4 * s + r * std::sin(a))});
                }
                for (int k = 0; k < n; ++k) {
                    RectValue a = v[k], b = v[(k + 1) % n];
                    if (n == 8 && k == 0) {
                        auto arc = std::make_unique<CPictArc>();
                        arc->ptZ0 = At((a.R + b.R) / 2, (a.X + b.X) / 2);
                        arc->fRadius = std::hypot(a.R - b.R, a.X - b.X) / 2;
                        arc->ptZ1 = At(a.R, a.X), arc->ptZ2 = At(b.R, b.X);
                        z.push_back(std::move(arc));
                        continue;
                    }
                    auto line = std::make_unique<CPictLine>();
                    line->ptZ1 = At(a.R, a.X), line->ptZ2 = At(b.R, b.X);
                    line->ptZ = line->ptZ1;
                    z.push_back(std::move(line));
                }
                break;
            }
        }
    }
    return zones;
}

void BM_Reach360(benchmark::State& state) {
    const std::vector<PictList> zones = Zones();
    for (auto _ : state) {
        std::size_t found = 0;
        for (const PictList& z : zones) {
            std::vector<const CPict*> elements;
            for (const auto& p : z) elements.push_back(p.get());
            const CZoneRegion region(elements);
            for (int a = 0; a < kAngles; ++a) found += region.Along(a).reach.has_value();
        }
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_Reach360)->Unit(benchmark::kMillisecond);

void BM_Plots(benchmark::State& state) {
    const std::vector<PictList> zones = Zones();
    gfx::CRasterCanvas screen(kSize.cx, kSize.cy);
    CRxPlot plot;
    plot.SetPlaceholder(screen, kSize);
    for (auto _ : state) {
        for (const PictList& z : zones) {
            plot.SetInputs({0, 10, 78, 0}, &z, 0);
            plot.Refresh();
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Plots)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return qzbench::RunWithRatio(argc, argv, "BM_Reach360", "BM_Plots",
                                 "reach at 360 angles / plots", "at most 1");
}
