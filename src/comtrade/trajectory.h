// The impedance a distance relay's loop sees through a record: phasors from
// a one-cycle Fourier filter updated per sample, and the loop's apparent
// impedance from them.
#pragma once

#include <array>
#include <complex>
#include <optional>
#include <string>
#include <vector>

#include "comtrade/record.h"

namespace qz::comtrade {

enum class Loop { kAN, kBN, kCN, kAB, kBC, kCA };
// "AN" ... "CA", in any case; false for another text.
bool LoopOfName(std::string_view name, Loop& loop);
const char* LoopName(Loop loop);

// The quantities a loop is computed from, in this order.
enum Quantity { kVA, kVB, kVC, kIA, kIB, kIC, kIN, kQuantityCount };
const char* QuantityName(Quantity q);  // "VA" ... "IN"

struct TrajectoryOptions {
    Loop loop = Loop::kAN;
    // Residual compensation: k0 = (Z0 - Z1) / 3 Z1, or, with `separateK`,
    // RE/RL in kRE and XE/XL in kXE applied to R and X apart.
    std::complex<double> k0 = 0;
    bool separateK = false;
    double kRE = 0, kXE = 0;
    bool secondary = false;  // refused for a 1991 record
    // Channels given by number or id ("VA" -> "3" or "UA"); those not given
    // are found by their phase and unit.
    std::vector<std::pair<Quantity, std::string>> channels;
    // A DC-offset (mimic) filter of this time constant on the currents.
    std::optional<double> mimicSeconds;
};

struct TrajectoryPoint {
    double t = 0;  // seconds from the first sample
    double R = 0, X = 0;
};

struct Trajectory {
    std::vector<TrajectoryPoint> points;
    double cycle = 0;  // seconds
    std::size_t samplesPerCycle = 0;
    bool resampled = false;
    // Samples from the first full cycle on that have no point: the loop
    // current below 1 % of its largest value, or a missing value in the
    // filter's cycle.
    std::size_t lowCurrent = 0, gaps = 0;
    std::array<int, kQuantityCount> channel{};  // analog index used, -1 none
};

// Throws RecordError (naming the record's files) for channels missing,
// ambiguous or in a unit that is neither volts nor amperes, times that are
// not uniform, and options the record cannot take.
Trajectory TrajectoryOf(const Record& record, const TrajectoryOptions& options);

}  // namespace qz::comtrade
