// quarnz trajectory: the impedance a relay's loop saw through a COMTRADE
// record, point by point, and how long it stayed inside each zone of a zone
// parameter file.
#include <cstdio>
#include <iostream>
#include <memory>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "apps/quarnz/commands.h"
#include "apps/quarnz/files.h"
#include "apps/quarnz/json.h"
#include "apps/quarnz/table.h"
#include "apps/quarnz/trajectory_options.h"
#include "apps/quarnz/zone_choice.h"
#include "base/quote.h"
#include "records/region.h"

namespace quarnz {

namespace {

namespace ct = qz::comtrade;
using nlohmann::ordered_json;

struct Options {
    TrajectoryChoice choice;
    std::string zones;
    bool json = false, csv = false;
};

// One stay inside a zone: from the first point inside to the first after it
// that is outside or where the points break off; none at the end.
struct Stay {
    double entered = 0;
    std::optional<double> left;
    double duration = 0;
};

std::vector<Stay> StaysIn(const qz::CZoneRegion& region, const ct::Trajectory& trajectory) {
    const std::vector<ct::TrajectoryPoint>& p = trajectory.points;
    const double limit = JoinLimit(trajectory);
    const double step =
        trajectory.samplesPerCycle ? trajectory.cycle / double(trajectory.samplesPerCycle) : 0;
    std::vector<Stay> stays;
    bool inside = false;
    for (std::size_t i = 0; i < p.size(); ++i) {
        if (inside && p[i].t - p[i - 1].t > limit) {
            // The points broke off: the stay ends with the first sample left out.
            stays.back().left = p[i - 1].t + step;
            inside = false;
        }
        const bool in = region.Contains(p[i].R, p[i].X);
        if (in && !inside) stays.push_back({p[i].t, std::nullopt, 0});
        if (!in && inside) stays.back().left = p[i].t;
        inside = in;
    }
    for (Stay& s : stays) s.duration = (s.left ? *s.left : p.back().t + step) - s.entered;
    return stays;
}

std::string LoopText(const ct::TrajectoryOptions& o) {
    std::string text = ct::LoopName(o.loop);
    if (o.separateK) return text + ", RE/RL " + Short(o.kRE) + ", XE/XL " + Short(o.kXE);
    if (o.k0 == 0.0) return text;
    return text + ", k0 " + Short(std::abs(o.k0)) + " at " +
           Short(std::arg(o.k0) * 180 / std::numbers::pi) + "°";
}

ordered_json HeadJson(const RecordTrajectory& r, const Options& opt) {
    const ct::TrajectoryOptions& o = r.options;
    const ct::Trajectory& t = r.trajectory;
    ordered_json json = {{"record", opt.choice.record}, {"loop", ct::LoopName(o.loop)}};
    if (o.separateK)
        json["kRE"] = Number(o.kRE), json["kXE"] = Number(o.kXE);
    else
        json["k0"] = {{"magnitude", Number(std::abs(o.k0))},
                      {"angle", Number(std::arg(o.k0) * 180 / std::numbers::pi)}};
    json["secondary"] = o.secondary;
    json["mimic_s"] = o.mimicSeconds ? Number(*o.mimicSeconds) : ordered_json(nullptr);
    json["samplesPerCycle"] = t.samplesPerCycle;
    json["cycle_s"] = Number(t.cycle);
    json["resampled"] = t.resampled;
    json["leftOut"] = {{"lowCurrent", t.lowCurrent}, {"gaps", t.gaps}};
    ordered_json channels = ordered_json::object();
    for (int q = 0; q < ct::kQuantityCount; ++q) {
        const int c = t.channel[std::size_t(q)];
        if (c < 0) continue;
        const ct::AnalogChannel& a = r.record.analogs[std::size_t(c)];
        channels[ct::QuantityName(ct::Quantity(q))] = {{"number", a.number},
                                                       {"id", qz::ToUtf8Lossy(a.id)}};
    }
    json["channels"] = channels;
    return json;
}

// The samples left out, as a note on standard error.
void NoteLeftOut(const ct::Trajectory& t, const std::string& record) {
    const std::size_t n = t.lowCurrent + t.gaps;
    if (n == 0) return;
    const std::string low = "the loop current below 1 % of its largest",
                      gap = "a missing value in the filter's cycle";
    std::string what = std::to_string(n) + (n == 1 ? " sample" : " samples") + " left out: ";
    if (t.gaps == 0)
        what += low;
    else if (t.lowCurrent == 0)
        what += gap;
    else
        what += std::to_string(t.lowCurrent) + " for " + low + ", " + std::to_string(t.gaps) +
                " for " + gap;
    std::fprintf(stderr, "quarnz: %s: %s\n", qz::QuoteForMessage(record).c_str(), what.c_str());
}

void PrintHead(const RecordTrajectory& r, const Options& opt) {
    const ct::Trajectory& t = r.trajectory;
    std::string channels;
    for (int q = 0; q < ct::kQuantityCount; ++q) {
        const int c = t.channel[std::size_t(q)];
        if (c < 0) continue;
        const ct::AnalogChannel& a = r.record.analogs[std::size_t(c)];
        channels += std::string(channels.empty() ? "" : ", ") + ct::QuantityName(ct::Quantity(q)) +
                    " " + std::to_string(a.number) + " " + qz::QuoteForMessage(a.id);
    }
    std::cout << "record    " << opt.choice.record << "\n"
              << "loop      " << LoopText(r.options) << " ("
              << (r.options.secondary ? "secondary" : "primary") << " ohms"
              << (r.options.mimicSeconds
                      ? ", mimic filter of " + Short(*r.options.mimicSeconds * 1000) + " ms"
                      : std::string())
              << ")\n"
              << "channels  " << channels << "\n"
              << "samples   " << t.samplesPerCycle << " per cycle of " << Short(t.cycle * 1000)
              << " ms, " << (t.resampled ? "resampled" : "as recorded") << "\n"
              << "points    " << t.points.size() << ", " << t.lowCurrent + t.gaps
              << " samples left out (" << t.lowCurrent << " low current, " << t.gaps
              << " gaps)\n\n";
}

void PrintPoints(const RecordTrajectory& r, const Options& opt) {
    const ct::Trajectory& t = r.trajectory;
    if (opt.json) {
        ordered_json json = HeadJson(r, opt);
        json["points"] = PointsJson(t);
        std::cout << json.dump(2) << "\n";
        return;
    }
    if (opt.csv) {
        std::cout << "t_s,R_ohm,X_ohm\n";
        for (const auto& p : t.points)
            std::cout << Shortest(p.t) << "," << Shortest(p.R) << "," << Shortest(p.X) << "\n";
    } else {
        PrintHead(r, opt);
        std::cout << Padded("t_s", 14) << Padded("R_ohm", 14) << "X_ohm\n";
        for (const auto& p : t.points)
            std::cout << Padded(Short(p.t), 14) << Padded(Short(p.R), 14) << Short(p.X) << "\n";
    }
    NoteLeftOut(t, opt.choice.record);
}

void PrintStays(const RecordTrajectory& r, const Options& opt) {
    const qz::CZoneLists lists = ReadZoneFile(opt.zones);
    const std::vector<ChosenZone> zones = ChooseZones(lists, ZoneChoice{opt.zones, "", 0});
    ordered_json list = ordered_json::array();
    if (opt.csv) std::cout << "zone,row,entered_s,left_s,duration_s\n";
    if (!opt.json && !opt.csv) {
        PrintHead(r, opt);
        std::cout << Padded("row", 5) << Padded("zone", 12) << Padded("entered_s", 14)
                  << Padded("left_s", 14) << "duration_s\n";
    }
    for (const ChosenZone& z : zones) {
        const std::string tag = qz::ToUtf8Lossy(z.zone->strTag);
        const qz::CZoneRegion region(z.elements);
        const std::string& fault = region.Fault();
        const std::vector<Stay> stays =
            fault.empty() ? StaysIn(region, r.trajectory) : std::vector<Stay>{};
        if (opt.json) {
            ordered_json entries = ordered_json::array();
            for (const Stay& s : stays)
                entries.push_back({{"entered_s", Number(s.entered)},
                                   {"left_s", s.left ? Number(*s.left) : ordered_json(nullptr)},
                                   {"duration_s", Number(s.duration)},
                                   {"stillInside", !s.left}});
            list.push_back({{"row", z.row},
                            {"strTag", tag},
                            {"fault", fault.empty() ? ordered_json(nullptr) : ordered_json(fault)},
                            {"stays", entries}});
            continue;
        }
        if (!fault.empty() && opt.csv) {
            std::fprintf(stderr, "quarnz: %s: %s; no stays\n",
                         qz::QuoteForMessage(opt.zones).c_str(),
                         qz::QuoteForMessage("zone " + tag + ": " + fault).c_str());
            continue;
        }
        if (opt.csv) {
            const std::string head = CsvField(tag) + "," + std::to_string(z.row) + ",";
            if (stays.empty()) std::cout << head << ",,\n";
            for (const Stay& s : stays)
                std::cout << head << Shortest(s.entered) << "," << (s.left ? Shortest(*s.left) : "")
                          << "," << Shortest(s.duration) << "\n";
            continue;
        }
        const std::string head = Padded(std::to_string(z.row), 5) + Padded(tag, 12);
        if (!fault.empty()) std::cout << head << "no region: " << fault << "\n";
        if (fault.empty() && stays.empty()) std::cout << head << "never inside\n";
        for (const Stay& s : stays)
            std::cout << head << Padded(Short(s.entered), 14)
                      << Padded(s.left ? Short(*s.left) : "still inside", 14) << Short(s.duration)
                      << "\n";
    }
    if (opt.json) {
        ordered_json json = HeadJson(r, opt);
        json["zoneFile"] = opt.zones;
        json["zones"] = list;
        std::cout << json.dump(2) << "\n";
    } else {
        NoteLeftOut(r.trajectory, opt.choice.record);
    }
}

void Trajectory(const Options& opt) {
    const RecordTrajectory r = ReadTrajectory(opt.choice);
    if (!opt.zones.empty())
        PrintStays(r, opt);
    else
        PrintPoints(r, opt);
}

void AddTrajectory(CLI::App& app) {
    auto opt = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand(
        "trajectory", "The impedance a relay's loop saw through a COMTRADE record");
    cmd->add_option("RECORD", opt->choice.record, "the record's .cfg (its .dat beside it) or .cff")
        ->required();
    AddTrajectoryChoice(cmd, opt->choice);
    cmd->get_option("--loop")->required();
    cmd->add_option("--zones", opt->zones,
                    "a zone parameter file: when the trajectory entered and left each zone");
    CLI::Option* json = cmd->add_flag("--json", opt->json, "print JSON");
    cmd->add_flag("--csv", opt->csv, "print CSV, a header line first")->excludes(json);
    cmd->callback([opt] { Trajectory(*opt); });
}

const bool registered = RegisterCommand({AddTrajectory});

}  // namespace

}  // namespace quarnz
