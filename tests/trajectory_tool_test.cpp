// quarnz trajectory and plot --trajectory on a record from the fault model.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <complex>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "comtrade/synthetic.h"
#include "comtrade/writer.h"
#include "test_util.h"

#ifdef QZ_QUARNZ_PATH

namespace {

namespace ct = qz::comtrade;
using nlohmann::json;

struct Fixture {
    qztest::TempDir dir;
    ct::FaultModel model;  // a fault on AN at 0.6 of the line from 0.1 s
    std::string cfg, zones, loop;

    Fixture() {
        cfg = "'" +
              ct::WriteRecord(ct::MakeFaultRecord(model), (dir.path() / "fault").string(), {}) +
              "'";
        const std::filesystem::path tools = std::filesystem::path(QZ_QUARNZ_PATH).parent_path();
        EXPECT_EQ(qztest::RunCommand("'" + (tools / "make-examples").string() + "' '" +
                                     dir.path().string() + "'")
                      .status,
                  0);
        zones = "'" + (dir.path() / "several.zone").string() + "' ";
        // The line's own compensation, and a mimic filter matched to the offset.
        const std::complex<double> k0 = ct::LineK0(model);
        char text[128];
        std::snprintf(text, sizeof text, " --loop AN --k0 %.17g,%.17g --mimic %.17g ", std::abs(k0),
                      std::arg(k0) * 180 / std::numbers::pi, ct::OffsetTau(model) * 1000);
        loop = text;
    }
    qztest::ToolRun Run(const std::string& args) const { return qztest::Quarnz(args, dir); }
};

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace

TEST(QuarnzTrajectory, PointsAndStaysOfAModelledFault) {
    Fixture f;
    const double cycle = 1 / f.model.frequency;
    qztest::ToolRun run = f.Run("trajectory " + f.cfg + f.loop + "--csv");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> lines = LinesOf(run.out);
    ASSERT_GT(lines.size(), 100u);
    EXPECT_EQ(lines[0], "t_s,R_ohm,X_ohm");
    // Every row three numbers, in time order; first the load, last the fault.
    std::vector<std::array<double, 3>> points;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::array<double, 3> p{};
        char rest = 0;
        ASSERT_EQ(std::sscanf(lines[i].c_str(), "%lf,%lf,%lf%c", &p[0], &p[1], &p[2], &rest), 3)
            << lines[i];
        if (!points.empty()) {
            EXPECT_GT(p[0], points.back()[0]);
        }
        points.push_back(p);
    }
    const auto distance = [](const std::array<double, 3>& p, std::complex<double> z) {
        return std::abs(std::complex<double>(p[1], p[2]) - z) / std::abs(z);
    };
    EXPECT_LT(distance(points.front(), ct::LoadImpedance(f.model)), 0.01);
    EXPECT_LT(distance(points.back(), ct::FaultImpedance(f.model)), 0.02);
    // Shortest texts: the JSON's points are the CSV's numbers.
    run = f.Run("trajectory " + f.cfg + f.loop + "--json");
    ASSERT_EQ(run.status, 0) << run.err;
    const json trajectory = json::parse(run.out);
    ASSERT_EQ(trajectory["points"].size(), points.size());
    EXPECT_EQ(trajectory["points"].back()[2].get<double>(), points.back()[2]);
    EXPECT_EQ(trajectory["loop"], "AN");
    // k0 asks for the residual current: the sum of the phases, the neutral
    // channel only where it is named.
    EXPECT_EQ(trajectory["channels"]["IC"]["id"], "IC");
    EXPECT_FALSE(trajectory["channels"].contains("IN"));
    EXPECT_EQ(trajectory["cycle_s"].get<double>(), cycle);

    // The fault's impedance lies in zone 1: entered about a cycle after the
    // inception, as the filter fills, and never left; zone 4 has no region
    // and is named, not skipped.
    run = f.Run("trajectory " + f.cfg + f.loop + "--zones " + f.zones + "--csv");
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> stays;
    for (const std::string& line : LinesOf(run.out))
        if (line.rfind("\"Z1,LE\",1,", 0) == 0) stays.push_back(line);
    ASSERT_EQ(stays.size(), 1u) << run.out;
    double entered = 0, duration = 0;
    ASSERT_EQ(std::sscanf(stays[0].c_str() + 10, "%lf,,%lf", &entered, &duration), 2) << stays[0];
    EXPECT_GT(entered, f.model.inception);
    EXPECT_LE(entered, f.model.inception + 1.25 * cycle);
    EXPECT_NEAR(entered + duration, points.back()[0], 2 * cycle);
    EXPECT_NE(run.err.find("zone Z4,PP"), std::string::npos) << run.err;
    run = f.Run("trajectory " + f.cfg + f.loop + "--zones " + f.zones);
    EXPECT_NE(run.out.find("still inside"), std::string::npos) << run.out;
    run = f.Run("trajectory " + f.cfg + f.loop + "--zones " + f.zones + "--json");
    ASSERT_EQ(run.status, 0) << run.err;
    const json z = json::parse(run.out)["zones"];
    EXPECT_EQ(z[0]["stays"][0]["entered_s"].get<double>(), entered);
    EXPECT_TRUE(z[0]["stays"][0]["left_s"].is_null());
    EXPECT_FALSE(z[3]["fault"].is_null());
}

TEST(QuarnzTrajectory, PlotDrawsItAndABadRecordLeavesNothing) {
    Fixture f;
    auto out = [&](const char* name) { return f.dir.path() / name; };
    for (const char* name : {"s.png", "s.svg", "s.pdf", "z.png", "z.svg", "z.pdf"}) {
        const std::string chosen = name[0] == 'z' ? "--row 1 " : "";
        qztest::ToolRun run = f.Run("plot " + f.zones + chosen + "--trajectory " + f.cfg + f.loop +
                                    "-o '" + out(name).string() + "'");
        EXPECT_EQ(run.status, 0) << name << run.err;
        EXPECT_GT(std::filesystem::file_size(out(name)), 0u) << name;
    }
    // The trace is one stroke of its colour through many points.
    const std::string svg = qztest::ReadText(out("z.svg"));
    const std::size_t stroke = svg.find("stroke:rgb(87.843137%,43.921569%,0%)");
    ASSERT_NE(stroke, std::string::npos);
    const std::string path = svg.substr(stroke, svg.find("/>", stroke) - stroke);
    std::size_t segments = 0;
    for (std::size_t at = path.find(" L "); at != std::string::npos; at = path.find(" L ", at + 1))
        ++segments;
    EXPECT_GT(segments, 10u);

    // plot --json gives the trajectory's points.
    qztest::ToolRun plot =
        f.Run("plot " + f.zones + "--row 1 --json --trajectory " + f.cfg + f.loop);
    qztest::ToolRun alone = f.Run("trajectory " + f.cfg + f.loop + "--json");
    ASSERT_EQ(plot.status, 0) << plot.err;
    EXPECT_EQ(json::parse(plot.out)["trajectory"]["points"], json::parse(alone.out)["points"]);

    // A broken record: one line naming it; no image, no output.
    const std::filesystem::path bad = out("bad.cfg");
    std::ofstream(bad) << "not a configuration\n";
    std::ofstream(out("bad.dat")) << "1,0,1\n";
    const std::string png = out("bad.png").string();
    for (const std::string& args :
         {"plot " + f.zones + "--trajectory '" + bad.string() + "' --loop AN -o '" + png + "'",
          "trajectory '" + bad.string() + "' --loop AN --csv"}) {
        qztest::ToolRun run = f.Run(args);
        EXPECT_EQ(run.status, 1) << args;
        EXPECT_EQ(LinesOf(run.err).size(), 1u) << run.err;
        EXPECT_EQ(run.err.rfind("quarnz: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find("bad.cfg"), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_FALSE(std::filesystem::exists(png));
    }
}

#endif
