// The zone settings dialog on large zone lists, side by side with what it
// stands on: opening the dialog (its table filled), one refresh of the table,
// ten ticks (target: on 100,000 zones at most 3 times on 1,000),
// the readable description of the same lists, and loading the zone parameter
// file they make from memory, for 1,000, 10,000 and 100,000 zones.  The load
// also reports what the loaded lists keep in memory per byte of the file.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench_zones.h"
#include "dialogs/zoneset/zone_set_dlg.h"
#include "session/headless/headless_session.h"
#include "zones/describe.h"

using namespace qz;
using qz::session::HeadlessSession;

namespace {

// Zones as a relay's list has them, each with one or two elements.
CZoneLists Make(int count) {
    return qzbench::MakeZones(count, [](int i) {
        std::vector<int> kinds;
        for (int k = 0; k <= i % 2; ++k) kinds.push_back((i + k) % 4);
        return kinds;
    });
}

CZoneLists& Lists(int count) {
    static std::map<int, CZoneLists> made;
    auto it = made.find(count);
    if (it == made.end()) it = made.emplace(count, Make(count)).first;
    return it->second;
}

const std::vector<std::uint8_t>& FileBytes(int count) {
    static std::map<int, std::vector<std::uint8_t>> made;
    auto it = made.find(count);
    if (it == made.end()) it = made.emplace(count, Lists(count).ZoneFileBytes()).first;
    return it->second;
}

// One run of the dialog on `lists`, closed with its cancel button.  Timed:
// the opening (the table filled) when `timedSteps` is null, else only those
// steps of the session.  Making and destroying the dialog is never timed.
void RunDialog(benchmark::State& state, CZoneLists& lists, const char* timedSteps) {
    state.PauseTiming();
    auto user = std::make_unique<HeadlessSession>();
    auto dlg = std::make_unique<CDlg_ZoneSet>(lists);
    {
        ui::UseBackend use{*user};
        if (timedSteps) {
            user->Call([&] { state.ResumeTiming(); });
            user->Play(timedSteps);
        }
        user->Call([&] { state.PauseTiming(); });
        user->Play("click 4004");
        if (!timedSteps) state.ResumeTiming();
        dlg->DoModal();
        if (!user->Finish()) state.SkipWithError("the session did not play");
    }
    dlg.reset();
    user.reset();
    state.ResumeTiming();
}

void ZoneSetOpen(benchmark::State& state) {
    CZoneLists& lists = Lists(int(state.range(0)));
    for (auto _ : state) RunDialog(state, lists, nullptr);
}

// Escape shows the stored allowed error again, which rebuilds the table.
void ZoneSetRefresh(benchmark::State& state) {
    CZoneLists& lists = Lists(int(state.range(0)));
    for (auto _ : state) RunDialog(state, lists, "escape");
}

// Clicks on the ticks of the first ten rows, one after another, as a person
// shows or hides zones.
void ZoneSetTick(benchmark::State& state) {
    CZoneLists& lists = Lists(int(state.range(0)));
    std::string ticks;
    for (int row = 1; row <= 10; ++row) ticks += "grid-click 4002 " + std::to_string(row) + " 0\n";
    for (auto _ : state) RunDialog(state, lists, ticks.c_str());
}

void Describe(benchmark::State& state) {
    const CZoneLists& lists = Lists(int(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(DescribeZoneLists(lists));
}

std::size_t HeapInUse() {
    struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

void LoadFromMemory(benchmark::State& state) {
    const std::vector<std::uint8_t>& bytes = FileBytes(int(state.range(0)));
    {
        // What the loaded lists keep per byte of the file, malloc's own
        // overhead included.
        std::size_t before = HeapInUse();
        auto lists = std::make_unique<CZoneLists>();
        lists->AppendZoneFileBytes(bytes.data(), bytes.size());
        double size = double(bytes.size());
        state.counters["kept_per_file_byte"] = double(HeapInUse() - before) / size;
        state.counters["file_MB"] = size / 1e6;
    }
    for (auto _ : state) {
        auto lists = std::make_unique<CZoneLists>();
        lists->AppendZoneFileBytes(bytes.data(), bytes.size());
        // Destroying the lists is not part of loading them.
        state.PauseTiming();
        lists.reset();
        state.ResumeTiming();
    }
}

}  // namespace

BENCHMARK(ZoneSetOpen)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(ZoneSetRefresh)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
// Each run opens the dialog untimed: a few runs, or the opening dominates.
BENCHMARK(ZoneSetTick)->Arg(1000)->Arg(100000)->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(Describe)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadFromMemory)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
