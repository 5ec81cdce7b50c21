// A COMTRADE record (revisions 1991, 1999 and 2013): the analog channels its
// configuration describes and their samples, scaled as the configuration
// says.  Digital channels are read past, not kept.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"

namespace qz::comtrade {

enum class DataFormat { kAscii, kBinary, kBinary32, kFloat32 };

struct AnalogChannel {
    int number = 0;       // as the configuration numbers it, from 1
    Text id;              // UTF-8, or GB18030 where that fails
    Text phase;           // blanks trimmed
    Text circuit;         // the circuit component being monitored
    std::string unit;     // as written, blanks trimmed ("kV", "A")
    double a = 1, b = 0;  // value = a x stored + b
    double skew = 0;      // microseconds
    // Primary and secondary ratio factors and whether a x stored + b gives
    // primary ('P') or secondary ('S') values; a 1991 record has none.
    bool hasRatio = false;
    double primary = 1, secondary = 1;
    char ps = 'P';
};

// `rate` samples per second up to and including sample `endSample`.
struct SampleRate {
    double rate = 0;
    std::int64_t endSample = 0;
};

struct Record {
    std::string cfgName, datName;  // as messages name them
    int revision = 1991;
    Text station, device;
    double lineFrequency = 0;  // hertz
    std::vector<AnalogChannel> analogs;
    int digitalCount = 0;
    // Empty where the times are the timestamps (no rates, or a rate of 0).
    std::vector<SampleRate> rates;
    DataFormat format = DataFormat::kAscii;
    double timeMultiplier = 1;
    // samples[c][n]: channel c's n-th sample, a x stored + b; NaN where the
    // recorder wrote its missing-value code.
    std::vector<std::vector<double>> samples;
    // Each sample's timestamp in microseconds (the time multiplier applied);
    // NaN where it is missing.
    std::vector<double> timestamps;

    std::size_t SampleCount() const { return timestamps.size(); }
};

// One line naming the file and the line (or byte) and what is wrong, e.g.
// "fault.cfg:7: analog channel 4: the multiplier \"x\" is not a number".
struct RecordError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// NAME.cfg with NAME.dat beside it (the extensions in either case), or one
// NAME.cff.  Throws RecordError.
Record ReadRecord(const std::string& path);

// The same from bytes already read; the names are for messages.
Record ParseRecord(std::string_view cfg, std::string_view dat, const std::string& cfgName,
                   const std::string& datName);
Record ParseCombined(std::string_view cff, const std::string& name);

// A channel's values in volts or amperes: x 1000 for "kV" and "kA"; false
// for a unit that is neither.
bool SiFactor(const AnalogChannel& channel, double& factor);

}  // namespace qz::comtrade
