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
    // Primary or secondary values, converted by the channels' ratio factors
    // where they give the other; secondary is refused for a record without
    // them (1991).
    bool secondary = false;
    // Channels given by number or id ("VA" -> "3" or "UA"); those not given
    // are found by their phase (A B C or L1 L2 L3, in any case) and unit (V
    // or kV, A or kA), IN never: the residual current is IA + IB + IC unless
    // IN is given, and read only when k0 (or kRE, kXE) is not 0.
    std::vector<std::pair<Quantity, std::string>> channels;
    // A DC-offset (mimic) filter of this time constant on the currents.
    std::optional<double> mimicSeconds;
};

struct TrajectoryPoint {
    double t = 0;  // seconds from the first sample, a point at each sample
                   // from the first full cycle on
    double R = 0, X = 0;
};

struct Trajectory {
    std::vector<TrajectoryPoint> points;
    double cycle = 0;  // seconds
    std::size_t samplesPerCycle = 0;
    // Where the rate is not a whole number of samples per cycle, or changes,
    // the samples are interpolated (linearly) onto a grid of samplesPerCycle
    // = ceil(highest rate / frequency), and the points are on that grid.
    bool resampled = false;
    // Samples from the first full cycle on that have no point: the loop
    // current (the phase current, Ia - Ib for a phase loop) below 1 % of its
    // largest value or the impedance not finite, or a missing value in the
    // filter's cycle.
    std::size_t lowCurrent = 0, gaps = 0;
    std::array<int, kQuantityCount> channel{};  // analog index used, -1 none
};

// The times come from the rates, or without one from the timestamps, which
// must be uniform but for their rounding to the unit they count in.  Throws
// RecordError (naming the record's files) for channels missing, ambiguous or
// in a unit that is neither volts nor amperes, times that are not uniform,
// and options the record cannot take.
Trajectory TrajectoryOf(const Record& record, const TrajectoryOptions& options);

}  // namespace qz::comtrade
