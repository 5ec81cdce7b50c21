// Any bytes as a COMTRADE record: split at the first NUL into a configuration
// and its data, and whole as a combined file.  The reader either gives a
// record whose sizes agree and whose samples are numbers or missing, never
// more of them than the bytes hold, or raises RecordError with one line.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "comtrade/record.h"
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

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    std::size_t nul = in.find('\0');
    std::string_view cfg = in.substr(0, nul);
    std::string_view dat = nul == std::string_view::npos ? std::string_view() : in.substr(nul + 1);
    try {
        CheckRecord(ParseRecord(cfg, dat, "f.cfg", "f.dat"), dat.size());
    } catch (const RecordError& e) {
        CheckError(e);
    }
    try {
        CheckRecord(ParseCombined(in, "f.cff"), size);
    } catch (const RecordError& e) {
        CheckError(e);
    }
    return 0;
}
