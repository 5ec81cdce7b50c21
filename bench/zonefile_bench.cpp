// Load and save of a zone parameter file of 10,000 zones and 50,000 elements,
// side by side with a plain read and write of the same bytes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>

#include "base/platform.h"
#include "zones/zone_list.h"

using namespace qz;

namespace {

const std::string& Path() {
    static std::string path = (std::filesystem::temp_directory_path() / "qz-bench.zone").string();
    return path;
}

CZoneLists& Big() {
    static CZoneLists lists = [] {
        CZoneLists l;
        l.fAllowedError = 0.05f;
        for (int i = 0; i < 10000; ++i) {
            auto z = std::make_unique<CZone>();
            z->strTag = Format("Z%d,LE", i);
            z->strZoneName = Format("接地距离 %d段", i);
            z->Zzd_Mode = i % 4;
            z->Zzd_1 = 10.5f + float(i % 7);
            z->Zzd_2 = 78;
            for (int k = 0; k < 5; ++k) {
                std::unique_ptr<CPict> p = CreatePict(k % 4);
                p->strZoneTag = z->strTag;
                l.arrPicts.push_back(std::move(p));
            }
            l.arrZones.push_back(std::move(z));
        }
        return l;
    }();
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
