// quarnz build and diff: show --json read back to the same bytes, a JSON
// error named by its path, and the change list between two files.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <nlohmann/json.hpp>

#include "test_util.h"
#include "zones/zone_list.h"

#ifdef QZ_QUARNZ_PATH

using namespace qz;
using nlohmann::json;

namespace {

std::string Write(const qztest::TempDir& dir, const std::string& name, const std::string& bytes) {
    std::filesystem::path path = dir.path() / name;
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return path.string();
}

std::string Write(const qztest::TempDir& dir, const std::string& name,
                  const std::vector<std::uint8_t>& bytes) {
    return Write(dir, name, std::string(bytes.begin(), bytes.end()));
}

std::unique_ptr<CZone> Zone(Text tag, Text name, int mode, float z1, float z2, float z3) {
    auto z = std::make_unique<CZone>();
    z->strTag = tag;
    z->strZoneName = name;
    z->setting = {mode, z1, z2, z3};
    return z;
}

// Every element kind, texts that are no valid UTF-16 or empty, and numbers
// at the edges of what "%f" and a float keep; the allowed error by its bits.
CZoneLists OddValues(std::uint32_t allowedBits) {
    CZoneLists lists;
    std::memcpy(&lists.fAllowedError, &allowedBits, 4);
    const Text high{u'Z', char16_t(0xD800)}, low{char16_t(0xDC01), u'x'};
    lists.arrZones.push_back(Zone(high, low, 3, -0.0f, FLT_MAX, 1e-7f));
    lists.arrZones.back()->nID = INT32_MIN;
    lists.arrZones.back()->nShow = 0;
    lists.arrZones.back()->nCharKind = 7;
    lists.arrZones.push_back(Zone(u"", u"", 0, 0.1f, -1234.5678f, 1e-45f));
    lists.arrZones.push_back(Zone(u"Z\"\\\n😀", u"接地距离", 1, 16777216, 2, 3));
    auto mho = std::make_unique<CPictMho>();
    mho->strZoneTag = high;
    mho->ptZ1 = {1, -0.0f, 3.4e38f};
    mho->fShiftAngle = -1e-9f;
    auto line = std::make_unique<CPictLine>();
    line->strZoneTag = u"";
    line->ptZ = {0, 5, -75};
    auto arc = std::make_unique<CPictArc>();
    arc->strZoneTag = u"Z\"\\\n😀";
    arc->nClockwise = -5;
    auto lens = std::make_unique<CPictLens>();
    lens->strZoneTag = Text{char16_t(0xDFFF)};  // of no zone
    lens->fRatioAB = 0.57735f;
    lists.arrPicts.push_back(std::move(mho));
    lists.arrPicts.push_back(std::move(line));
    lists.arrPicts.push_back(std::move(arc));
    lists.arrPicts.push_back(std::move(lens));
    return lists;
}

// show --json of `file`, built again into `out`.
void ShowThenBuild(const qztest::TempDir& dir, const std::string& file, const std::string& out) {
    qztest::ToolRun show = qztest::Quarnz("show --json '" + file + "'", dir);
    ASSERT_EQ(show.status, 0) << show.err;
    std::string doc = Write(dir, "zones.json", show.out);
    qztest::ToolRun build = qztest::Quarnz("build '" + doc + "' -o '" + out + "'", dir);
    ASSERT_EQ(build.status, 0) << build.err;
    EXPECT_EQ(build.out + build.err, "");
}

}  // namespace

TEST(QuarnzBuild, ShowThenBuildGivesTheSameBytes) {
    qztest::TempDir dir;
    std::string out = (dir.path() / "out.zone").string();
    const std::filesystem::path tools = std::filesystem::path(QZ_QUARNZ_PATH).parent_path();
    ASSERT_EQ(qztest::RunCommand("'" + (tools / "make-examples").string() + "' '" +
                                 dir.path().string() + "'")
                  .status,
              0);
    for (const char* name : {"mho.zone", "quad.zone", "lens.zone", "several.zone"}) {
        std::string file = (dir.path() / name).string();
        ShowThenBuild(dir, file, out);
        EXPECT_TRUE(qztest::ReadText(out) == qztest::ReadText(file)) << name;
    }

    // A NaN with a payload, a signalling one, the negative one x86 makes,
    // the plain one, an infinity, -0, the one float whose shortest text read
    // as a double rounds to its neighbour, and the smallest denormal.
    for (std::uint32_t bits : {0x7FC00001u, 0x7F800001u, 0xFFC00000u, 0x7FC00000u, 0xFF800000u,
                               0x80000000u, 0x15AE43FDu, 1u}) {
        std::string file = Write(dir, "odd.zone", OddValues(bits).ZoneFileBytes());
        ShowThenBuild(dir, file, out);
        EXPECT_TRUE(qztest::ReadText(out) == qztest::ReadText(file)) << std::hex << bits;
    }
    json shown = json::parse(qztest::ReadText(dir.path() / "zones.json"));
    EXPECT_EQ(shown["fAllowedError"], 1e-45);
    EXPECT_EQ(shown["zones"][0]["strTag"], (json{90, 0xD800}));
    EXPECT_EQ(shown["zones"][0]["Zzd_1"].dump(), "-0.0");
    EXPECT_EQ(shown["zones"][2]["strTag"], "Z\"\\\n😀");
    EXPECT_EQ(shown["elements"][3]["strZoneTag"], (json{0xDFFF}));
    for (auto [bits, text] : {std::pair{0x7FC00001u, "\"nan:0x7fc00001\""},
                              {0xFFC00000u, "\"nan:0xffc00000\""},
                              {0x7FC00000u, "\"nan\""}}) {
        Write(dir, "odd.zone", OddValues(bits).ZoneFileBytes());
        EXPECT_EQ(json::parse(qztest::Quarnz(
                                  "show --json '" + (dir.path() / "odd.zone").string() + "'", dir)
                                  .out)["fAllowedError"]
                      .dump(),
                  text);
    }

    // A file in another form than the library's comes back as the library
    // saves it: a number stored as "inf" reads as 0; trailing bytes go.
    CZoneLists lists = OddValues(0);
    lists.arrZones[1]->setting.Zzd_2 = INFINITY;
    std::vector<std::uint8_t> bytes = lists.ZoneFileBytes();
    bytes.push_back(7);
    std::string file = Write(dir, "other.zone", bytes);
    ShowThenBuild(dir, file, out);
    CZoneLists read;
    read.AppendZoneFileBytes(bytes.data(), bytes.size());
    EXPECT_EQ(read.arrZones[1]->setting.Zzd_2, 0.0f);
    std::vector<std::uint8_t> saved = read.ZoneFileBytes();
    EXPECT_TRUE(qztest::ReadText(out) == std::string(saved.begin(), saved.end()));
}

TEST(QuarnzBuild, AJsonErrorNamesItsPathAndWritesNothing) {
    qztest::TempDir dir;
    std::string out = Write(dir, "out.zone", std::string("as it was"));
    const std::string zone =
        R"({"nShow": 1, "strTag": "Z1", "strZoneName": "", "nID": -1, "Zzd_Mode": 0,
            "Zzd_1": 10, "Zzd_2": 78, "Zzd_3": 0, "nCharKind": 0})";
    const std::string point = R"({"nCoord": 0, "fValue1": 1, "fValue2": 2})";
    const std::string mho = R"({"nKind": 0, "strZoneTag": "Z1", "ptZ1": )" + point +
                            R"(, "ptZ2": )" + point + R"(, "fShiftAngle": 0})";
    auto doc = [&](const std::string& zones, const std::string& elements,
                   const std::string& allowed = "0.05") {
        return R"({"fAllowedError": )" + allowed + R"(, "zones": [)" + zones +
               R"(], "elements": [)" + elements + "]}";
    };
    auto with = [](std::string text, const std::string& from, const std::string& to) {
        return text.replace(text.find(from), from.size(), to);
    };
    const std::pair<std::string, std::string> cases[] = {
        {doc(zone + "," + with(zone, "\"Zzd_1\": 10", "\"Zzd_1\": \"ten\""), ""),
         "zones[1].Zzd_1: expected a number within a float's range, \"inf\", \"-inf\", \"nan\" "
         "or \"nan:0x\" and a NaN's eight hex digits"},
        {doc(zone, mho + "," + with(mho, "\"fValue1\": 1, ", "")),
         "elements[1].ptZ1.fValue1: missing"},
        {doc(with(zone, "\"Z1\"", "\"" + std::string(100, 'Z') + "\""), ""),
         "zones[0].strTag: 100 UTF-16 units, more than the 99 the field holds"},
        {doc(with(zone, "\"Z1\"", "[90, 0]"), ""),
         "zones[0].strTag: holds a NUL character, which ends a text"},
        {doc(with(zone, "\"Z1\"", "[90, 65536]"), ""),
         "zones[0].strTag[1]: expected a UTF-16 unit, 0 to 65535"},
        {doc(zone, with(mho, "\"nKind\": 0", "\"nKind\": 7")),
         "elements[0].nKind: unknown kind (0 mho, 1 line, 2 arc, 3 lens)"},
        {doc(with(zone, "\"nCharKind\"", "\"Zzd_4\": 0, \"nCharKind\""), ""),
         "zones[0].Zzd_4: unknown member"},
        {doc(zone, "", "\"nan:0x7f800000\""),
         "fAllowedError: expected a number within a float's range, \"inf\", \"-inf\", \"nan\" "
         "or \"nan:0x\" and a NaN's eight hex digits"},
        {doc(with(zone, "\"nID\": -1", "\"nID\": 2147483648"), ""),
         "zones[0].nID: expected a whole number from -2147483648 to 2147483647"},
        {R"({"zones": [], "elements": []})", "fAllowedError: missing"},
        {"[]", "the document: expected an object"},
    };
    std::string source = (dir.path() / "zones.json").string();
    for (const auto& [text, error] : cases) {
        Write(dir, "zones.json", text);
        qztest::ToolRun run = qztest::Quarnz("build '" + source + "' -o '" + out + "'", dir);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "quarnz: " + source + ": " + error + "\n");
    }
    // A broken document says where it breaks.
    Write(dir, "zones.json", doc(zone, "") + ",");
    qztest::ToolRun run = qztest::Quarnz("build '" + source + "' -o '" + out + "'", dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("zones.json: [json.exception.parse_error.101] parse error at line 2"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(qztest::ReadText(out), "as it was");

    // The same document whole, and without the formulas the file does not keep.
    Write(dir, "zones.json", doc(zone, mho, "\"-inf\""));
    ASSERT_EQ(qztest::Quarnz("build '" + source + "' -o '" + out + "'", dir).status, 0);
    json shown = json::parse(qztest::Quarnz("show --json '" + out + "'", dir).out);
    EXPECT_EQ(shown["fAllowedError"], "-inf");
    EXPECT_EQ(shown["zones"][0]["Zzd_2"], 78.0);
    EXPECT_EQ(shown["elements"][0]["ptZ2"]["fValue2"], 2.0);
    EXPECT_EQ(shown["elements"][0]["strShiftAngle"], "0.0");
}

namespace {

// Three zones, elements of each kind.
CZoneLists DiffBase() {
    CZoneLists lists;
    lists.fAllowedError = 0.05f;
    lists.arrZones.push_back(Zone(u"Z1", u"接地距离 I段", 0, 10, 78, 0));
    lists.arrZones.push_back(Zone(u"Z2", u"相间", 1, 5, 6, 0));
    lists.arrZones.push_back(Zone(u"Z3", u"III段", 0, 30, 80, 0));
    auto add = [&](std::unique_ptr<CPict> p, const char16_t* tag) {
        p->strZoneTag = tag;
        lists.arrPicts.push_back(std::move(p));
    };
    add(std::make_unique<CPictMho>(), u"Z1");
    add(std::make_unique<CPictLine>(), u"Z2");
    add(std::make_unique<CPictArc>(), u"Z2");
    add(std::make_unique<CPictLens>(), u"Z3");
    return lists;
}

}  // namespace

TEST(QuarnzDiff, StatusesAndTheChangeList) {
    qztest::TempDir dir;
    std::string a = Write(dir, "a.zone", DiffBase().ZoneFileBytes());
    auto diff = [&](const std::string& args) { return qztest::Quarnz("diff " + args, dir); };
    qztest::ToolRun run = diff("'" + a + "' '" + a + "'");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out + run.err, "");

    CZoneLists changed = DiffBase();
    changed.fAllowedError = 0.1f;
    changed.arrZones[0]->setting.Zzd_1 = 12.5f;
    changed.arrZones[0]->strZoneName = u"I段";
    changed.arrZones[1]->setting.Zzd_3 = -0.0f;  // only the sign differs
    changed.DeleteZone(2);
    changed.arrZones.push_back(Zone(u"Z4", u"IV段", 3, 6, 25, 80));
    std::swap(changed.arrZones[0], changed.arrZones[1]);
    static_cast<CPictLine&>(*changed.arrPicts[1]).ptZ1.fValue1 = 2.5f;
    changed.arrPicts[2] = std::make_unique<CPictMho>();  // the arc becomes a circle
    changed.arrPicts[2]->strZoneTag = u"Z2";
    changed.arrPicts.push_back(std::make_unique<CPictLens>());
    changed.arrPicts.back()->strZoneTag = u"Z1";
    changed.arrPicts.push_back(std::make_unique<CPictLine>());
    changed.arrPicts.back()->strZoneTag = u"X";
    std::string b = Write(dir, "b.zone", changed.ZoneFileBytes());
    run = diff("'" + a + "' '" + b + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out,
              "fAllowedError: 0.05 → 0.1\n"
              "zone \"Z1\": strZoneName: \"接地距离 I段\" → \"I段\"\n"
              "zone \"Z1\": Zzd_1: 10.0 → 12.5\n"
              "zone \"Z1\": element 2 (lens): added\n"
              "zone \"Z2\": Zzd_3: 0.0 → -0.0\n"
              "zone \"Z2\": element 1 (line): ptZ1.fValue1: 0.0 → 2.5\n"
              "zone \"Z2\": element 2: arc → mho\n"
              "zone \"Z3\": removed (row 3, 1 element)\n"
              "zone \"Z4\": added (row 3, 0 elements)\n"
              "elements tagged \"X\" (no zone): element 1 (line): added\n"
              "zone order: \"Z1\", \"Z2\" → \"Z2\", \"Z1\"\n");

    // Trouble is 2, as for diff and cmp: a missing file, a broken one, a
    // wrong command line.
    run = diff("'" + a + "' '" + (dir.path() / "none.zone").string() + "'");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "quarnz: " + (dir.path() / "none.zone").string() + ": no such file\n");
    std::string broken = Write(dir, "broken.zone", std::string("\1\2"));
    EXPECT_EQ(diff("'" + broken + "' '" + a + "'").status, 2);
    EXPECT_EQ(diff("'" + a + "'").status, 2);
    EXPECT_EQ(diff("'" + a + "' '" + a + "' --what").status, 2);
}

#endif
