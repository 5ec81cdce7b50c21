// Reading a fault record of 10 s at 10,000 samples a second, 8 channels in
// BINARY32, beside reading it and computing a ground loop's impedance
// trajectory from it.  The target is a ratio of at most 1.5: the trajectory
// costs at most half of what reading and scaling the samples costs.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "comtrade/synthetic.h"
#include "comtrade/trajectory.h"
#include "comtrade/writer.h"
#include "ratio_reporter.h"

namespace {

using namespace qz::comtrade;

class RecordFile {
  public:
    RecordFile() {
        dir_ = std::filesystem::temp_directory_path() / "qz-trajectory-bench";
        std::filesystem::create_directories(dir_);
        FaultModel m;
        m.rate = 10000, m.seconds = 10, m.inception = 5;
        Record r = MakeFaultRecord(m);
        // An eighth channel: the residual voltage 3V0, of phase N.
        AnalogChannel v0 = r.analogs[0];
        v0.number = 8, v0.id = u"V0", v0.phase = u"N";
        std::vector<double> sum(r.SampleCount());
        for (std::size_t n = 0; n < sum.size(); ++n) {
            sum[n] = r.samples[0][n] + r.samples[1][n] + r.samples[2][n];
        }
        r.analogs.push_back(v0);
        r.samples.push_back(std::move(sum));
        WriteOptions o;
        o.format = DataFormat::kBinary32;
        path_ = WriteRecord(r, (dir_ / "fault").string(), o);
        options_.loop = Loop::kAN;
        options_.k0 = LineK0(m);
    }
    ~RecordFile() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    const std::string& path() const { return path_; }
    const TrajectoryOptions& options() const { return options_; }

  private:
    std::filesystem::path dir_;
    std::string path_;
    TrajectoryOptions options_;
};

const RecordFile& File() {
    static const RecordFile file;
    return file;
}

void BM_Read(benchmark::State& state) {
    const RecordFile& file = File();
    for (auto _ : state) {
        Record r = ReadRecord(file.path());
        benchmark::DoNotOptimize(r.samples.data());
    }
}
BENCHMARK(BM_Read)->Unit(benchmark::kMillisecond);

void BM_ReadAndTrajectory(benchmark::State& state) {
    const RecordFile& file = File();
    std::size_t points = 0;
    for (auto _ : state) {
        Record r = ReadRecord(file.path());
        points = TrajectoryOf(r, file.options()).points.size();
        benchmark::DoNotOptimize(points);
    }
    state.counters["points"] = double(points);
}
BENCHMARK(BM_ReadAndTrajectory)->Unit(benchmark::kMillisecond);

// The trajectory of a record already read: its own cost, without the
// page faults a fresh record's memory brings.
void BM_TrajectoryAlone(benchmark::State& state) {
    const RecordFile& file = File();
    static const Record r = ReadRecord(file.path());
    for (auto _ : state) {
        benchmark::DoNotOptimize(TrajectoryOf(r, file.options()).points.data());
    }
}
BENCHMARK(BM_TrajectoryAlone)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return qzbench::RunWithRatio(argc, argv, "BM_ReadAndTrajectory", "BM_Read",
                                 "read and trajectory / read alone", "at most 1.5");
}
