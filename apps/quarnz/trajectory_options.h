// The options trajectory and plot share: the record's loop, its residual
// compensation, its channels and the filter, and reading the trajectory.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "apps/quarnz/commands.h"
#include "comtrade/record.h"
#include "comtrade/trajectory.h"
#include "plot/rx_plot.h"

namespace quarnz {

struct TrajectoryChoice {
    std::string record, loop, k0, kre, channels, mimic;
    bool secondary = false;
};

// --loop, --k0 | --kre, --secondary, --channels and --mimic; each needs
// `record` where it is an option (plot's --trajectory), not the argument.
void AddTrajectoryChoice(CLI::App* cmd, TrajectoryChoice& choice, CLI::Option* record = nullptr);

// The options the choice gives; Fail for one that does not read.
qz::comtrade::TrajectoryOptions TrajectoryOptionsOf(const TrajectoryChoice& choice);

struct RecordTrajectory {
    qz::comtrade::Record record;
    qz::comtrade::TrajectoryOptions options;
    qz::comtrade::Trajectory trajectory;
};

// The record read and its loop's trajectory; a record that does not read,
// or cannot give the loop, is one line on standard error and Failure.
RecordTrajectory ReadTrajectory(const TrajectoryChoice& choice);

// Points further apart in time than this lie on either side of a break,
// where samples were left out (low current or a gap): half a sample more
// than the step between neighbours.
double JoinLimit(const qz::comtrade::Trajectory& trajectory);

// The trajectory for the plot: its points, a tick every cycle, joined but
// across a break.
qz::PlotTrace TraceOf(const qz::comtrade::Trajectory& trajectory);

// The points as [t, R, X] arrays, as trajectory and plot print them.
nlohmann::ordered_json PointsJson(const qz::comtrade::Trajectory& trajectory);

}  // namespace quarnz
