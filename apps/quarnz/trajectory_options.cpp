#include "apps/quarnz/trajectory_options.h"

#include <cmath>
#include <cstdio>
#include <numbers>

#include "apps/quarnz/files.h"
#include "apps/quarnz/json.h"
#include "apps/quarnz/reach_options.h"
#include "base/quote.h"

namespace quarnz {

namespace {

namespace ct = qz::comtrade;

// A, B at the first comma, or Fail with `expected`.
std::pair<double, double> NumberPair(const std::string& option, const std::string& text,
                                     const char* expected) {
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos) Fail(option + " " + text, expected);
    return {ParseNumber(option, text.substr(0, comma)),
            ParseNumber(option, text.substr(comma + 1))};
}

[[noreturn]] void RecordFailure(const ct::RecordError& e) {
    // The message names the record's file itself.
    std::fprintf(stderr, "quarnz: %s\n", qz::QuoteForMessage(std::string_view(e.what())).c_str());
    throw Failure{};
}

}  // namespace

void AddTrajectoryChoice(CLI::App* cmd, TrajectoryChoice& choice, CLI::Option* record) {
    std::vector<CLI::Option*> options;
    options.push_back(
        cmd->add_option("--loop", choice.loop, "the relay's loop: AN, BN, CN, AB, BC or CA"));
    CLI::Option* k0 = cmd->add_option(
        "--k0", choice.k0, "MAG,ANG: the residual compensation (Z0 - Z1) / 3 Z1, angle in degrees");
    options.push_back(k0);
    options.push_back(cmd->add_option("--kre", choice.kre,
                                      "RE/RL,XE/XL: the residual compensation for R and X apart")
                          ->excludes(k0));
    options.push_back(cmd->add_flag("--secondary", choice.secondary,
                                    "the loop's impedance in secondary ohms (by the channels' "
                                    "ratios; not for a 1991 record)"));
    options.push_back(cmd->add_option(
        "--channels", choice.channels,
        "VA=C,...,IN=C: channels by number or id (the others are found by phase and unit)"));
    options.push_back(cmd->add_option(
        "--mimic", choice.mimic, "TAU_MS: a mimic filter of this time constant on the currents"));
    if (record)
        for (CLI::Option* o : options) o->needs(record);
}

ct::TrajectoryOptions TrajectoryOptionsOf(const TrajectoryChoice& choice) {
    ct::TrajectoryOptions o;
    if (!ct::LoopOfName(choice.loop, o.loop))
        Fail("--loop " + choice.loop, "expected AN, BN, CN, AB, BC or CA");
    if (!choice.k0.empty()) {
        const auto [mag, angle] =
            NumberPair("--k0", choice.k0, "expected MAG,ANG: a magnitude and an angle in degrees");
        if (mag < 0) Fail("--k0 " + choice.k0, "the magnitude is negative");
        o.k0 = std::polar(mag, angle * std::numbers::pi / 180);
    }
    if (!choice.kre.empty()) {
        const auto [re, xe] = NumberPair("--kre", choice.kre, "expected RE/RL,XE/XL");
        o.separateK = true;
        o.kRE = re;
        o.kXE = xe;
    }
    o.secondary = choice.secondary;
    for (std::size_t at = 0; !choice.channels.empty();) {
        const std::size_t comma = choice.channels.find(',', at);
        const std::string item = choice.channels.substr(at, comma - at);
        const std::size_t eq = item.find('=');
        int q = 0;
        if (eq != std::string::npos)
            while (q < ct::kQuantityCount &&
                   item.substr(0, eq) != ct::QuantityName(ct::Quantity(q)))
                ++q;
        if (eq == std::string::npos || eq + 1 == item.size() || q == ct::kQuantityCount)
            Fail("--channels " + item, "expected NAME=CHANNEL, NAME one of VA VB VC IA IB IC IN");
        for (const auto& given : o.channels)
            if (given.first == q) Fail("--channels " + item, "the channel is given twice");
        o.channels.emplace_back(ct::Quantity(q), item.substr(eq + 1));
        if (comma == std::string::npos) break;
        at = comma + 1;
    }
    if (!choice.mimic.empty()) {
        const double ms = ParseNumber("--mimic", choice.mimic);
        if (!(ms > 0)) Fail("--mimic " + choice.mimic, "expected a positive time constant in ms");
        o.mimicSeconds = ms / 1000;
    }
    return o;
}

RecordTrajectory ReadTrajectory(const TrajectoryChoice& choice) {
    RecordTrajectory r;
    r.options = TrajectoryOptionsOf(choice);
    try {
        r.record = ct::ReadRecord(choice.record);
        r.trajectory = ct::TrajectoryOf(r.record, r.options);
    } catch (const ct::RecordError& e) {
        RecordFailure(e);
    }
    return r;
}

double JoinLimit(const ct::Trajectory& trajectory) {
    if (trajectory.samplesPerCycle == 0) return 0;
    return 1.5 * trajectory.cycle / double(trajectory.samplesPerCycle);
}

qz::PlotTrace TraceOf(const ct::Trajectory& trajectory) {
    qz::PlotTrace trace;
    for (const ct::TrajectoryPoint& p : trajectory.points) trace.points.push_back({p.t, p.R, p.X});
    trace.cycle = trajectory.cycle;
    trace.join = JoinLimit(trajectory);
    return trace;
}

nlohmann::ordered_json PointsJson(const ct::Trajectory& trajectory) {
    nlohmann::ordered_json points = nlohmann::ordered_json::array();
    for (const ct::TrajectoryPoint& p : trajectory.points)
        points.push_back(nlohmann::ordered_json::array({Number(p.t), Number(p.R), Number(p.X)}));
    return points;
}

}  // namespace quarnz
