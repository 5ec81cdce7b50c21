// quarnz reach and quarnz inside: where rays from Z = 0 cross a zone's
// characteristic and how far the zone reaches along them; whether
// impedances lie inside it.  Both on the geometry the plot draws.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "apps/quarnz/commands.h"
#include "apps/quarnz/files.h"
#include "apps/quarnz/json.h"
#include "apps/quarnz/reach_options.h"
#include "apps/quarnz/table.h"
#include "apps/quarnz/zone_choice.h"
#include "base/quote.h"
#include "records/region.h"
#include "records/setting.h"

namespace quarnz {

namespace {

using nlohmann::ordered_json;

// A chosen zone without elements has no characteristic to reach.
const ChoiceRules kNeedElements{false, true, "no zones"};

ordered_json CrossingJson(const qz::RayCrossing& c) {
    return {{"distance", Number(c.distance)}, {"R", Number(c.R)}, {"X", Number(c.X)}};
}

std::string CrossingText(const qz::RayCrossing& c) {
    return Short(c.distance) + " (" + Short(c.R) + ", " + Short(c.X) + ")";
}

ordered_json BandJson(const std::optional<qz::ReachBand>& band) {
    if (!band) return nullptr;
    return {{"inner", Number(band->inner)}, {"outer", Number(band->outer)}};
}

struct ReachOptions {
    ZoneChoice choice;
    ToleranceChoice tolerance;
    std::string angles;
    std::vector<std::string> angleList;
    bool json = false, csv = false;
};

void Reach(const ReachOptions& opt) {
    std::vector<double> given;
    if (!opt.angles.empty()) given = ParseAngleRange(opt.angles);
    for (const std::string& a : opt.angleList) given.push_back(ParseNumber("--angle", a));
    const qz::CZoneLists lists = ReadZoneFile(opt.choice.file);
    const qz::ReachTolerance tolerance = ToleranceOf(opt.tolerance, lists);
    const std::vector<ChosenZone> zones = ChooseZones(lists, opt.choice, kNeedElements);
    const bool chosen = !opt.choice.zone.empty() || opt.choice.row > 0;

    ordered_json json = ordered_json::array();
    if (opt.csv) std::cout << "row,strTag,angle,distance,R,X,reach,inner,outer\n";
    if (!opt.json && !opt.csv)
        std::cout << Padded("row", 5) << Padded("strTag", 12) << Padded("angle", 12)
                  << Padded("reach", 36) << Padded("inner", 14) << Padded("outer", 14)
                  << "crossings\n";
    for (const ChosenZone& z : zones) {
        const std::string tag = qz::ToUtf8Lossy(z.zone->strTag);
        const std::vector<double> angles =
            given.empty() ? qz::SettingAngles(z.zone->setting) : given;
        if (angles.empty() && chosen)
            Fail(opt.choice.file, "zone " + tag + " has no setting line to take an angle from");
        const qz::CZoneRegion region(z.elements);
        if (!region.Fault().empty() && !z.elements.empty())
            std::fprintf(stderr, "quarnz: %s: %s; no reach\n",
                         qz::QuoteForMessage(opt.choice.file).c_str(),
                         qz::QuoteForMessage("zone " + tag + ": " + region.Fault()).c_str());
        ordered_json rays = ordered_json::array();
        for (double angle : angles) {
            const qz::RayReach r = region.Along(angle);
            std::optional<qz::ReachBand> band;
            if (r.reach) band = qz::BandOf(*r.reach, tolerance);
            if (opt.json) {
                ordered_json crossings = ordered_json::array();
                for (const auto& c : r.crossings) crossings.push_back(CrossingJson(c));
                rays.push_back({{"angle", Number(angle)},
                                {"crossings", crossings},
                                {"reach", r.reach ? CrossingJson(*r.reach) : nullptr},
                                {"band", BandJson(band)}});
            } else if (opt.csv) {
                const std::string head =
                    std::to_string(z.row) + "," + CsvField(tag) + "," + Shortest(angle) + ",";
                if (r.crossings.empty()) std::cout << head << ",,,,,\n";
                for (const auto& c : r.crossings) {
                    const bool reach = r.reach && r.reach->distance == c.distance;
                    std::cout << head << Shortest(c.distance) << "," << Shortest(c.R) << ","
                              << Shortest(c.X) << "," << (reach ? 1 : 0) << ","
                              << (reach ? Shortest(band->inner) + "," + Shortest(band->outer) : ",")
                              << "\n";
                }
            } else {
                std::string list;
                for (const auto& c : r.crossings)
                    list += (list.empty() ? "" : "; ") + CrossingText(c);
                std::cout << Padded(std::to_string(z.row), 5) << Padded(tag, 12)
                          << Padded(Short(angle), 12)
                          << Padded(r.reach ? CrossingText(*r.reach) : "none", 36)
                          << Padded(band ? Short(band->inner) : "none", 14)
                          << Padded(band ? Short(band->outer) : "none", 14)
                          << (list.empty() ? "none" : list) << "\n";
            }
        }
        if (opt.json) {
            ordered_json entry = {{"row", z.row}, {"strTag", tag}};
            entry["fault"] =
                region.Fault().empty() ? ordered_json(nullptr) : ordered_json(region.Fault());
            entry["rays"] = rays;
            json.push_back(entry);
        }
    }
    if (opt.json) std::cout << ordered_json{{"zones", json}}.dump(2) << "\n";
}

void AddReach(CLI::App& app) {
    auto opt = std::make_shared<ReachOptions>();
    CLI::App* cmd = app.add_subcommand(
        "reach", "Where rays from Z = 0 cross a zone's characteristic, and its reach along them");
    AddZoneChoice(cmd, opt->choice);
    AddToleranceChoice(cmd, opt->tolerance);
    AddAngleChoice(cmd, opt->angles, opt->angleList);
    CLI::Option* json = cmd->add_flag("--json", opt->json, "print JSON");
    cmd->add_flag("--csv", opt->csv, "print CSV, a header line first")->excludes(json);
    cmd->callback([opt] { Reach(*opt); });
}

struct InsideOptions {
    ZoneChoice choice;
    std::vector<std::string> values;
    bool json = false, csv = false;
};

void Inside(const InsideOptions& opt) {
    if (opt.choice.zone.empty() && opt.choice.row == 0) Fail("inside", "give --zone or --row");
    if (opt.values.empty() || opt.values.size() % 2 != 0)
        Fail("inside", "expected impedances as pairs R X");
    std::vector<double> values;
    for (const std::string& v : opt.values) values.push_back(ParseNumber("impedance", v));
    const qz::CZoneLists lists = ReadZoneFile(opt.choice.file);
    const ChosenZone z = ChooseZones(lists, opt.choice, kNeedElements).front();
    const std::string tag = qz::ToUtf8Lossy(z.zone->strTag);
    const qz::CZoneRegion region(z.elements);
    if (!region.Fault().empty()) Fail(opt.choice.file, "zone " + tag + ": " + region.Fault());
    ordered_json points = ordered_json::array();
    if (opt.csv) std::cout << "R,X,inside\n";
    for (std::size_t i = 0; i < values.size(); i += 2) {
        const bool inside = region.Contains(values[i], values[i + 1]);
        if (opt.json) {
            points.push_back(
                {{"R", Number(values[i])}, {"X", Number(values[i + 1])}, {"inside", inside}});
        } else {
            const char* separator = opt.csv ? "," : "  ";
            std::cout << (opt.csv ? Shortest(values[i]) : Short(values[i])) << separator
                      << (opt.csv ? Shortest(values[i + 1]) : Short(values[i + 1])) << separator
                      << (opt.csv ? (inside ? "1" : "0") : (inside ? "inside" : "outside")) << "\n";
        }
    }
    if (opt.json)
        std::cout << ordered_json{{"row", z.row}, {"strTag", tag}, {"points", points}}.dump(2)
                  << "\n";
}

void AddInside(CLI::App& app) {
    auto opt = std::make_shared<InsideOptions>();
    CLI::App* cmd = app.add_subcommand(
        "inside",
        "Whether impedances lie inside a zone's characteristic (put \"--\" before "
        "values when the first is negative)");
    AddZoneChoice(cmd, opt->choice);
    cmd->add_option("R_X", opt->values, "impedances as pairs R X, in ohms");
    CLI::Option* json = cmd->add_flag("--json", opt->json, "print JSON");
    cmd->add_flag("--csv", opt->csv, "print CSV, a header line first")->excludes(json);
    cmd->callback([opt] { Inside(*opt); });
}

struct ShotsOptions {
    ZoneChoice choice;
    ToleranceChoice tolerance;
    std::string angles, margin = "2";
    std::vector<std::string> angleList;
    bool json = false, csv = false;
};

struct Shot : qz::Shot {
    std::vector<std::string> others;  // the set's other zones that contain it
};

void Shots(const ShotsOptions& opt) {
    if (opt.choice.zone.empty() && opt.choice.row == 0) Fail("shots", "give --zone or --row");
    std::vector<double> given;
    if (!opt.angles.empty()) given = ParseAngleRange(opt.angles);
    for (const std::string& a : opt.angleList) given.push_back(ParseNumber("--angle", a));
    const double margin = ParseNumber("--margin", opt.margin) / 100;
    if (!(margin >= 0 && margin < 1))
        Fail("--margin " + opt.margin, "expected a percentage from 0 to below 100");
    const qz::CZoneLists lists = ReadZoneFile(opt.choice.file);
    const qz::ReachTolerance tolerance = ToleranceOf(opt.tolerance, lists);
    const ChosenZone z = ChooseZones(lists, opt.choice, kNeedElements).front();
    const std::string tag = qz::ToUtf8Lossy(z.zone->strTag);
    const qz::CZoneRegion region(z.elements);
    if (!region.Fault().empty()) Fail(opt.choice.file, "zone " + tag + ": " + region.Fault());
    const std::vector<double> angles = given.empty() ? qz::SettingAngles(z.zone->setting) : given;
    if (angles.empty())
        Fail(opt.choice.file, "zone " + tag + " has no setting line to take an angle from");

    struct Other {
        std::string tag;
        qz::CZoneRegion region;
    };
    std::vector<Other> others;
    for (const ChosenZone& o :
         ChooseZones(lists, ZoneChoice{opt.choice.file, "", 0}, kNeedElements)) {
        if (o.row == z.row) continue;
        qz::CZoneRegion r(o.elements);
        if (r.Fault().empty()) others.push_back({qz::ToUtf8Lossy(o.zone->strTag), std::move(r)});
    }

    std::vector<Shot> shots;
    for (const qz::Shot& shot : qz::ShotsOf(region, angles, tolerance, margin)) {
        shots.push_back({shot, {}});
        if (shot.at)
            for (const Other& o : others)
                if (o.region.Contains(shot.at->R, shot.at->X)) shots.back().others.push_back(o.tag);
    }

    const auto expected = [](const Shot& s) {
        return !s.at ? "none" : s.inside ? "trip" : "no trip";
    };
    if (opt.json) {
        ordered_json list = ordered_json::array();
        for (const Shot& s : shots) {
            ordered_json entry = {{"angle", Number(s.angle)},
                                  {"shot", s.inside ? "inside" : "outside"},
                                  {"expected", s.at ? ordered_json(expected(s)) : nullptr}};
            if (s.at) {
                entry["distance"] = Number(s.at->distance);
                entry["R"] = Number(s.at->R);
                entry["X"] = Number(s.at->X);
                entry["others"] = s.others;
            }
            list.push_back(entry);
        }
        std::cout << ordered_json{{"row", z.row},
                                  {"strTag", tag},
                                  {"margin", Number(margin * 100)},
                                  {"shots", list}}
                         .dump(2)
                  << "\n";
        return;
    }
    if (opt.csv)
        std::cout << "angle,shot,expected,distance,R,X,others\n";
    else
        std::cout << Padded("angle", 12) << Padded("shot", 9) << Padded("expected", 10)
                  << Padded("|Z|", 12) << Padded("R", 12) << Padded("X", 12) << "others\n";
    for (const Shot& s : shots) {
        std::string others;
        for (const std::string& o : s.others) others += (others.empty() ? "" : ";") + o;
        if (opt.csv) {
            std::cout << Shortest(s.angle) << "," << (s.inside ? "inside" : "outside") << ","
                      << expected(s) << ",";
            if (s.at)
                std::cout << Shortest(s.at->distance) << "," << Shortest(s.at->R) << ","
                          << Shortest(s.at->X) << "," << CsvField(others) << "\n";
            else
                std::cout << ",,,\n";
        } else {
            std::cout << Padded(Short(s.angle), 12) << Padded(s.inside ? "inside" : "outside", 9)
                      << Padded(expected(s), 10);
            if (s.at)
                std::cout << Padded(Short(s.at->distance), 12) << Padded(Short(s.at->R), 12)
                          << Padded(Short(s.at->X), 12) << (others.empty() ? "none" : others)
                          << "\n";
            else
                std::cout << "\n";
        }
    }
}

void AddShots(CLI::App& app) {
    auto opt = std::make_shared<ShotsOptions>();
    CLI::App* cmd = app.add_subcommand(
        "shots",
        "A test plan: per angle a shot just inside the reach's band and one just outside it");
    AddZoneChoice(cmd, opt->choice);
    AddToleranceChoice(cmd, opt->tolerance);
    AddAngleChoice(cmd, opt->angles, opt->angleList);
    cmd->add_option("--margin", opt->margin, "PCT beyond the band (default 2)");
    CLI::Option* json = cmd->add_flag("--json", opt->json, "print JSON");
    cmd->add_flag("--csv", opt->csv, "print CSV, a header line first")->excludes(json);
    cmd->callback([opt] { Shots(*opt); });
}

const bool registered =
    RegisterCommand({AddReach}) && RegisterCommand({AddInside}) && RegisterCommand({AddShots});

}  // namespace

}  // namespace quarnz
