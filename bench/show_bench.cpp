// quarnz show on a zone parameter file of 100,000 zones, as a table and as
// JSON, each run a process of its own: the JSON's time beside the table's
// (target at most 1.5) and its peak memory beside the file's size (target at
// most 4).  A plain timing program; the median of five runs of each.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "bench_zones.h"
#include "child_process.h"

namespace {

qzbench::ChildRun Median(std::vector<qzbench::ChildRun> runs) {
    auto middle = [&](auto key) {
        std::sort(runs.begin(), runs.end(), [&](auto& a, auto& b) { return key(a) < key(b); });
        return runs[runs.size() / 2];
    };
    qzbench::ChildRun m;
    m.seconds = middle([](const qzbench::ChildRun& r) { return r.seconds; }).seconds;
    m.peakKiB = middle([](const qzbench::ChildRun& r) { return double(r.peakKiB); }).peakKiB;
    return m;
}

}  // namespace

int main() {
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / "qz-show-bench.zone";
    qz::CZoneLists lists =
        qzbench::MakeZones(100000, [](int i) { return std::vector<int>{i % 4}; });
    if (!lists.SaveZoneFile(qz::FromUtf8(file.string()))) return 1;
    const double fileKiB = double(std::filesystem::file_size(file)) / 1024;

    std::vector<qzbench::ChildRun> table, json;
    for (int i = 0; i < 5; ++i) {
        table.push_back(qzbench::RunChild({QZ_QUARNZ_PATH, "show", file.string()}));
        json.push_back(qzbench::RunChild({QZ_QUARNZ_PATH, "show", "--json", file.string()}));
    }
    const qzbench::ChildRun t = Median(table), j = Median(json);
    std::printf("file: 100,000 zones, %.0f KiB\n", fileKiB);
    std::printf("show:        %7.3f s  peak %8ld KiB\n", t.seconds, t.peakKiB);
    std::printf("show --json: %7.3f s  peak %8ld KiB\n", j.seconds, j.peakKiB);
    std::printf("json / table time: %.2f (target <= 1.5)\n", j.seconds / t.seconds);
    std::printf("json peak / file size: %.2f (target <= 4)\n", double(j.peakKiB) / fileKiB);
    std::filesystem::remove(file);
    return 0;
}
