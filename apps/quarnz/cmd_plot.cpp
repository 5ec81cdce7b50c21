// quarnz plot: the R-X plots of the zones of a zone parameter file, as a
// sheet of titled panels or one zone's plot, in PNG, SVG or PDF; with --json
// the geometry each plot drew.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "apps/quarnz/commands.h"
#include "apps/quarnz/files.h"
#include "apps/quarnz/json.h"
#include "apps/quarnz/plot_image.h"
#include "apps/quarnz/reach_options.h"
#include "apps/quarnz/trajectory_options.h"
#include "apps/quarnz/zone_choice.h"
#include "gfx/recording_canvas.h"
#include "records/geometry.h"
#include "records/region.h"

namespace quarnz {

namespace {

using nlohmann::ordered_json;

constexpr int kMaxScale = 8;

qz::gfx::Size ParseSize(const std::string& text) {
    // Read exactly: a number too large for an int is refused, never wrapped.
    int w = 0, h = 0;
    const char* end = text.data() + text.size();
    auto [x, we] = std::from_chars(text.data(), end, w);
    const char* hs = x == end ? end : x + 1;
    auto [rest, he] = std::from_chars(hs, end, h);
    if (we == std::errc::result_out_of_range || he == std::errc::result_out_of_range)
        Fail("--size " + text, "larger than " + SizeText({kMaxSide, kMaxSide}));
    if (we != std::errc() || he != std::errc() || x == end || (*x != 'x' && *x != 'X') ||
        rest != end)
        Fail("--size " + text, "expected WxH in pixels");
    if (w < kMinSize.cx || h < kMinSize.cy)
        Fail("--size " + text, "smaller than the smallest readable plot, " + SizeText(kMinSize));
    if (w > kMaxSide || h > kMaxSide)
        Fail("--size " + text, "larger than " + SizeText({kMaxSide, kMaxSide}));
    return {w, h};
}

struct Panel {
    std::size_t row;  // from 1
    const qz::CZone* zone;
    qz::PictList picts;  // copies of the zone's elements
    double bandInner = 0, bandOuter = 0;
    std::vector<qz::Shot> shots;
};

PlotPanel ToPlotPanel(const Panel& p, const qz::PlotTrace& trace) {
    PlotPanel panel = PanelOf(*p.zone, &p.picts);
    panel.trace = trace;
    panel.bandInner = p.bandInner;
    panel.bandOuter = p.bandOuter;
    for (const qz::Shot& s : p.shots)
        if (s.at) panel.shots.push_back({s.at->R, s.at->X, s.inside});
    return panel;
}

ordered_json PointJson(double R, double X) {
    return ordered_json::array({Number(R), Number(X)});
}
ordered_json PointJson(qz::RectValue p) {
    return ordered_json::array({Number(p.R), Number(p.X)});
}

ordered_json OutlineJson(const qz::Outline& o) {
    switch (o.kind) {
        case qz::Outline::kSegment:
            return {{"type", "segment"}, {"from", PointJson(o.from)}, {"to", PointJson(o.to)}};
        case qz::Outline::kCircle:
            return {{"type", "circle"},
                    {"centre", PointJson(o.centre)},
                    {"radius", Number(std::fabs(o.radius))}};
        case qz::Outline::kArc:
            return {{"type", "arc"},
                    {"centre", PointJson(o.centre)},
                    {"radius", Number(std::fabs(o.radius))},
                    {"from", PointJson(o.from)},
                    {"to", PointJson(o.to)}};
    }
    return nullptr;
}

// What each panel's plot drew, in ohms: its scale, the window its plot
// rectangle shows, the elements' outlines and the setting lines.
ordered_json GeometryJson(const std::vector<Panel>& panels, const SheetOptions& options) {
    ordered_json zones = ordered_json::array();
    qz::gfx::CRecordingCanvas surface(options.size.cx, options.size.cy);
    qz::CRxPlot plot;
    plot.SetPlaceholder(surface, options.size);
    for (const Panel& p : panels) {
        // The trace leaves the scale alone.
        SetInputs(plot, ToPlotPanel(p, {}), options.highlight);
        plot.FitScale();
        const double s = plot.Scale();
        const qz::gfx::Rect r = plot.rcPlot;
        const qz::gfx::Point o = plot.ptOrigin;
        const qz::OhmWindow window{(r.left - o.x) / s, (o.y - r.bottom) / s, (r.right - o.x) / s,
                                   (o.y - r.top) / s};
        ordered_json elements = ordered_json::array();
        for (std::size_t i = 0; i < p.picts.size(); ++i) {
            ordered_json outlines = ordered_json::array();
            for (const qz::Outline& outline : p.picts[i]->Outlines(window))
                outlines.push_back(OutlineJson(outline));
            const qz::PictKind kind = p.picts[i]->Kind();
            const bool thick =
                (kind == qz::kPictLine || kind == qz::kPictArc) && int(i) + 1 == options.highlight;
            elements.push_back(
                {{"nKind", std::int32_t(kind)}, {"highlighted", thick}, {"outlines", outlines}});
        }
        ordered_json setting = ordered_json::array();
        for (const qz::OhmPoint& end : plot.SettingLineEnds())
            setting.push_back(
                {{"type", "segment"}, {"from", PointJson(0, 0)}, {"to", PointJson(end.R, end.X)}});
        ordered_json entry = {{"row", p.row},
                              {"strTag", qz::ToUtf8Lossy(p.zone->strTag)},
                              {"strZoneName", qz::ToUtf8Lossy(p.zone->strZoneName)},
                              {"nShow", p.zone->nShow},
                              {"step", Number(plot.fStep)},
                              {"pixelsPerStep", Number(plot.fPixelsPerStep)},
                              {"pixelsPerOhm", Number(s)},
                              {"window",
                               {{"R", {Number(window.loR), Number(window.hiR)}},
                                {"X", {Number(window.loX), Number(window.hiX)}}}},
                              {"elements", elements},
                              {"setting", setting}};
        if (options.band)
            entry["band"] = {{"inner", Number(p.bandInner)}, {"outer", Number(p.bandOuter)}};
        if (options.shots) {
            ordered_json shots = ordered_json::array();
            for (const qz::Shot& s : p.shots)
                if (s.at)
                    shots.push_back({{"angle", Number(s.angle)},
                                     {"R", Number(s.at->R)},
                                     {"X", Number(s.at->X)},
                                     {"expected", s.inside ? "trip" : "no trip"}});
            entry["shots"] = shots;
        }
        zones.push_back(std::move(entry));
    }
    return {{"size", {options.size.cx, options.size.cy}}, {"zones", zones}};
}

struct Options {
    std::string file, out, zone, size;
    std::size_t row = 0;
    int columns = 0, scale = 1, highlight = 0;
    bool shownOnly = false, json = false;
    // --tolerance [PCT]: the band, by default of the file's allowed error.
    const CLI::Option* band = nullptr;
    ToleranceChoice tolerance;
    bool shots = false;
    std::string angles, margin = "2";
    TrajectoryChoice trajectory;  // its record: --trajectory
};

// Each panel's band and shots, as the options ask.
void AddBandAndShots(std::vector<Panel>& panels, const Options& opt, const qz::CZoneLists& lists,
                     SheetOptions& options) {
    options.band = opt.band->count() > 0;
    options.shots = opt.shots;
    // A scaled outline shows a share of the reach, never a fixed number of ohms.
    if (opt.tolerance.tolerance.find(',') != std::string::npos)
        Fail("--tolerance " + opt.tolerance.tolerance,
             "plot draws a percentage band only; quarnz reach and shots take PCT,OHM");
    std::vector<double> given;
    if (!opt.angles.empty()) given = ParseAngleRange(opt.angles);
    const double margin = ParseNumber("--margin", opt.margin) / 100;
    if (!(margin >= 0 && margin < 1))
        Fail("--margin " + opt.margin, "expected a percentage from 0 to below 100");
    const qz::ReachTolerance tolerance = ToleranceOf(opt.tolerance, lists);
    options.bandShare = tolerance.share;
    for (Panel& p : panels) {
        if (options.band) {
            p.bandInner = 1 - tolerance.share;
            p.bandOuter = 1 + tolerance.share;
        }
        if (!options.shots) continue;
        std::vector<const qz::CPict*> elements;
        for (const auto& pict : p.picts) elements.push_back(pict.get());
        const qz::CZoneRegion region(elements);
        // A zone without a region or a direction has no shots to mark.
        if (!region.Fault().empty()) continue;
        const std::vector<double> angles =
            given.empty() ? qz::SettingAngles(p.zone->setting) : given;
        p.shots = qz::ShotsOf(region, angles, tolerance, margin);
    }
}

void Plot(const Options& opt) {
    if (opt.out.empty() && !opt.json) Fail("plot", "give an output file (-o) or --json");
    SheetOptions options;
    options.size = opt.size.empty() ? kDefaultSize : ParseSize(opt.size);
    options.columns = opt.columns;
    options.highlight = opt.highlight;
    qz::CZoneLists lists = ReadZoneFile(opt.file);

    const ZoneChoice choice{opt.file, opt.zone, opt.row};
    options.sheet = !choice.Chosen();
    std::vector<Panel> panels;
    for (const ChosenZone& z :
         ChooseZones(lists, choice,
                     {opt.shownOnly, false,
                      opt.shownOnly ? "no shown zones to plot" : "no zones to plot"})) {
        Panel p{z.row, z.zone, {}, 0, 0, {}};
        for (const qz::CPict* pict : z.elements) p.picts.push_back(pict->Clone());
        panels.push_back(std::move(p));
    }
    AddBandAndShots(panels, opt, lists, options);
    // Read whole before anything is drawn: a record that fails leaves no image.
    std::optional<RecordTrajectory> trajectory;
    qz::PlotTrace trace;
    if (!opt.trajectory.record.empty()) {
        if (opt.trajectory.loop.empty()) Fail("--trajectory", "give the record's loop with --loop");
        trajectory = ReadTrajectory(opt.trajectory);
        trace = TraceOf(trajectory->trajectory);
        options.trace =
            u"trajectory " + qz::FromUtf8(qz::comtrade::LoopName(trajectory->options.loop));
    }
    if (!opt.out.empty()) {
        std::vector<PlotPanel> out;
        for (const Panel& p : panels) out.push_back(ToPlotPanel(p, trace));
        WritePlotImage(out, options, opt.scale, opt.file, opt.out);
    }
    if (opt.json) {
        ordered_json json = GeometryJson(panels, options);
        if (trajectory)
            json["trajectory"] = {{"record", opt.trajectory.record},
                                  {"loop", qz::comtrade::LoopName(trajectory->options.loop)},
                                  {"points", PointsJson(trajectory->trajectory)}};
        std::cout << json.dump(2) << "\n";
    }
}

void AddPlot(CLI::App& app) {
    auto opt = std::make_shared<Options>();
    CLI::App* cmd =
        app.add_subcommand("plot", "Draw the R-X plots of the zones of a zone parameter file");
    cmd->add_option("FILE", opt->file, "the zone parameter file")->required();
    cmd->add_option("-o,--output", opt->out, "the PNG, SVG or PDF file to write");
    CLI::Option* zone =
        cmd->add_option("--zone", opt->zone, "plot only the first zone with this tag");
    CLI::Option* row = cmd->add_option("--row", opt->row, "plot only the zone of this row (from 1)")
                           ->check(CLI::PositiveNumber);
    zone->excludes(row);
    cmd->add_option("--size", opt->size,
                    "each plot's size in pixels, WxH (default: the graph editor's, 360x260; at "
                    "least " +
                        SizeText(kMinSize) + ")");
    cmd->add_option("--scale", opt->scale, "a PNG at N times the pixels, the same layout")
        ->check(CLI::Range(1, kMaxScale));
    cmd->add_option("--columns", opt->columns,
                    "panels across the sheet (default: as many as an A4 page's width takes)")
        ->check(CLI::PositiveNumber)
        ->excludes(zone)
        ->excludes(row);
    cmd->add_flag("--shown-only", opt->shownOnly, "leave out the zones whose display tick is off")
        ->excludes(zone)
        ->excludes(row);
    cmd->add_option("--highlight", opt->highlight,
                    "draw element K of each zone with the thick pen when it is a line or an arc")
        ->check(CLI::PositiveNumber);
    opt->band = cmd->add_option("--tolerance", opt->tolerance.tolerance,
                                "[PCT]: the reach's band as each outline scaled about Z = 0 by "
                                "1 - PCT % and 1 + PCT %, dashed (PCT by default the file's "
                                "allowed error)")
                    ->expected(0, 1);
    CLI::Option* shots =
        cmd->add_flag("--shots", opt->shots,
                      "mark the test shots of quarnz shots: filled to trip, open not to trip");
    cmd->add_option("--angles", opt->angles,
                    "FROM:TO:STEP in degrees for the shots (default: the setting lines')")
        ->needs(shots);
    cmd->add_option("--margin", opt->margin, "PCT of the shots beyond the band (default 2)")
        ->needs(shots);
    CLI::Option* record = cmd->add_option(
        "--trajectory", opt->trajectory.record,
        "RECORD: draw the impedance trajectory of a COMTRADE record's loop (--loop) over each "
        "plot");
    AddTrajectoryChoice(cmd, opt->trajectory, record);
    cmd->add_flag("--json", opt->json,
                  "print the geometry each plot drew, in ohms, with its scale and step");
    cmd->callback([opt] { Plot(*opt); });
}

const bool registered = RegisterCommand({AddPlot});

}  // namespace

}  // namespace quarnz
