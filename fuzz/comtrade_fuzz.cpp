// Any bytes as a COMTRADE record: split at the first NUL into a configuration
// and its data, and whole as a combined file.  The reader either gives a
// record whose sizes agree and whose samples are numbers or missing, never
// more of them than the bytes hold, or raises RecordError with one line.
// A record read gives a ground loop's trajectory from its first four
// channels, plain and through the mimic: finite points in time order, one
// for each sample from the first full cycle on unless counted as left out,
// or RecordError.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "comtrade/record.h"
#include "comtrade/trajectory.h"
#include "fuzz/fuzz_check.h"

using namespace qz::comtrade;

static void CheckRecord(const Record& r, std::size_t size) {
    Check(r.samples.size() == r.analogs.size());
    // Each sample takes a byte per channel and one more at the least.
    Check(r.SampleCount() * (r.analogs.size() + 1) <= size);
    for (const auto& channel : r.samples) {
        Check(channel.size() == r.SampleCount());
        for (double v : channel) Check(std::isnan(v) || std::isfinite(v));
    }
    for (double t : r.timestamps) Check(std::isnan(t) || std::isfinite(t));
    for (std::size_t k = 1; k < r.rates.size(); ++k)
        Check(r.rates[k].endSample > r.rates[k - 1].endSample);
}

static void CheckError(const RecordError& e) {
    std::string_view what = e.what();
    Check(!what.empty() && what.find_first_of("\r\n") == std::string_view::npos);
}

static void CheckTrajectory(const Record& r) {
    if (r.analogs.size() < 4) return;
    // Rates far apart resample to a grid as long as the record at the
    // highest: legal, but more than a fuzzer's run can take.
    double low = 1e300, high = 0;
    for (const SampleRate& rate : r.rates)
        low = std::min(low, rate.rate), high = std::max(high, rate.rate);
    if (r.rates.size() > 1 && high / low * double(r.SampleCount()) > 1e6) return;
    for (bool mimic : {false, true}) {
        TrajectoryOptions o;
        o.k0 = {0.5, 0.2};
        if (mimic) o.mimicSeconds = 0.01;
        for (int q : {kVA, kIA, kIB, kIC})
            o.channels.push_back(
                {Quantity(q), std::to_string(r.analogs[q == kVA ? 0 : q - 2].number)});
        try {
            const Trajectory tr = TrajectoryOf(r, o);
            for (std::size_t k = 0; k < tr.points.size(); ++k) {
                const TrajectoryPoint& p = tr.points[k];
                Check(std::isfinite(p.t) && std::isfinite(p.R) && std::isfinite(p.X));
                Check(k == 0 || p.t > tr.points[k - 1].t);
            }
            const std::size_t first = mimic ? 1 : 0, n = r.SampleCount();
            if (!tr.resampled && n >= first + tr.samplesPerCycle)
                Check(tr.points.size() + tr.lowCurrent + tr.gaps ==
                      n - first - tr.samplesPerCycle + 1);
        } catch (const RecordError& e) {
            CheckError(e);
        }
    }
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    std::size_t nul = in.find('\0');
    std::string_view cfg = in.substr(0, nul);
    std::string_view dat = nul == std::string_view::npos ? std::string_view() : in.substr(nul + 1);
    try {
        const Record r = ParseRecord(cfg, dat, "f.cfg", "f.dat");
        CheckRecord(r, dat.size());
        CheckTrajectory(r);
    } catch (const RecordError& e) {
        CheckError(e);
    }
    try {
        const Record r = ParseCombined(in, "f.cff");
        CheckRecord(r, size);
        CheckTrajectory(r);
    } catch (const RecordError& e) {
        CheckError(e);
    }
    return 0;
}
