// A sheet of 40 zones, as `quarnz plot` draws and encodes it, beside the 40
// single-zone plots of the same zones, each on its own image, summed.
#include <benchmark/benchmark.h>

#include <vector>

#include "apps/quarnz/sheet.h"
#include "bench_zones.h"
#include "gfx/cairo/raster_cairo.h"

namespace {

using namespace qz;

constexpr int kZones = 40;

struct ZoneSet {
    ZoneSet()
        : lists(qzbench::MakeZones(kZones, [](int i) {
              // Circles, quadrilaterals and lenses in turn.
              return i % 3 == 0   ? std::vector<int>{kPictMho}
                     : i % 3 == 1 ? std::vector<int>{kPictLine, kPictLine, kPictLine, kPictLine}
                                  : std::vector<int>{kPictLens};
          })) {
        picts.resize(lists.arrZones.size());
        for (std::size_t i = 0; i < lists.arrZones.size(); ++i) {
            const CZone& z = *lists.arrZones[i];
            for (const auto& p : lists.arrPicts)
                if (p->strZoneTag.str() == z.strTag.str()) picts[i].push_back(p->Clone());
            panels.push_back(quarnz::PanelOf(z, &picts[i]));
            panels.back().hidden = i % 5 == 4;
        }
    }
    CZoneLists lists;
    std::vector<PictList> picts;
    std::vector<quarnz::PlotPanel> panels;
};

void BM_SheetOf40Zones(benchmark::State& state) {
    ZoneSet set;
    quarnz::SheetOptions options;
    options.sheet = true;
    const gfx::Size size = quarnz::LayOut(set.panels.size(), options).total;
    for (auto _ : state) {
        gfx::CRasterCanvas image(size.cx, size.cy);
        quarnz::DrawSheet(image, set.panels, options);
        benchmark::DoNotOptimize(image.EncodePng());
    }
}
BENCHMARK(BM_SheetOf40Zones)->Unit(benchmark::kMillisecond);

void BM_FortySingleZonePlots(benchmark::State& state) {
    ZoneSet set;
    const quarnz::SheetOptions options;  // one zone's bare plot
    for (auto _ : state) {
        for (const quarnz::PlotPanel& panel : set.panels) {
            gfx::CRasterCanvas image(options.size.cx, options.size.cy);
            quarnz::DrawSheet(image, {panel}, options);
            benchmark::DoNotOptimize(image.EncodePng());
        }
    }
}
BENCHMARK(BM_FortySingleZonePlots)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
