// Load and save of a zone parameter file of 10,000 zones and 50,000 elements,
// side by side with a plain read and write of the same bytes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>

#include "base/platform.h"
#include "bench_zones.h"
#include "zones/zone_list.h"

using namespace qz;

namespace {

const std::string& Path() {
    static std::string path = (std::filesystem::temp_directory_path() / "qz-bench.zone").string();
    return path;
}

CZoneLists& Big() {
    static CZoneLists lists = qzbench::MakeZones(10000, [](int) {
        return std::vector<int>{0, 1, 2, 3, 0};
    });
    return lists;
}

void Load(benchmark::State& state) {
    Big().SaveZoneFile(FromUtf8(Path()));
    for (auto _ : state) {
        auto lists = std::make_unique<CZoneLists>();
        benchmark::DoNotOptimize(lists->LoadZoneFile(FromUtf8(Path())));
        // Destroying the lists is not part of loading them.
        state.PauseTiming();
        lists.reset();
        state.ResumeTiming();
    }
}

// The whole file read into a fresh buffer, as any reader of it must.
void PlainRead(benchmark::State& state) {
    Big().SaveZoneFile(FromUtf8(Path()));
    for (auto _ : state) {
        std::vector<std::uint8_t> bytes(std::filesystem::file_size(Path()));
        std::FILE* f = std::fopen(Path().c_str(), "rb");
        benchmark::DoNotOptimize(std::fread(bytes.data(), 1, bytes.size(), f));
        std::fclose(f);
    }
}

void Save(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(Big().SaveZoneFile(FromUtf8(Path())));
}

// The same bytes written and put in place as Save does it (flushed to disk).
void PlainWrite(benchmark::State& state) {
    std::vector<std::uint8_t> bytes = Big().ZoneFileBytes();
    for (auto _ : state) benchmark::DoNotOptimize(SaveFileReplacing(FromUtf8(Path()), bytes));
}

}  // namespace

BENCHMARK(Load)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainRead)->Unit(benchmark::kMillisecond);
BENCHMARK(Save)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainWrite)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
