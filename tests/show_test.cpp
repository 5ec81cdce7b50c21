// quarnz show: every element kind as text and as JSON, and what it says of a
// file that reads only because the reader lets it pass.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>

#include "test_util.h"
#include "zones/zone_list.h"

#ifdef QZ_QUARNZ_PATH

using namespace qz;
using nlohmann::json;

namespace {

// Zones in three setting modes, one of them without elements, elements of
// every kind and one whose tag no zone carries.
CZoneLists EveryKind() {
    CZoneLists lists;
    lists.fAllowedError = 0.05f;
    auto zone = [&](const char16_t* tag, const char16_t* name, int mode, int charKind) {
        auto z = std::make_unique<CZone>();
        z->strTag = tag;
        z->strZoneName = name;
        z->setting.Zzd_Mode = mode;
        z->setting.Zzd_1 = 10, z->setting.Zzd_2 = 78, z->setting.Zzd_3 = 1.5f;
        z->nCharKind = charKind;
        lists.arrZones.push_back(std::move(z));
    };
    zone(u"Z1", u"接地距离 I段", 0, kCharCircle);
    zone(u"Z2", u"相间", 1, kCharPolygon);
    zone(u"Z3", u"空", 2, kCharLens);
    lists.arrZones[1]->nShow = 0;
    lists.arrZones[2]->nID = 7;

    auto mho = std::make_unique<CPictMho>();
    mho->strZoneTag = u"Z1";
    mho->ptZ1 = {0, 10, 80};
    mho->ptZ2 = {0, 2, 260};
    mho->fShiftAngle = 15.5f;
    auto line = std::make_unique<CPictLine>();
    line->strZoneTag = u"Z2";
    line->ptZ1 = {1, 0, 2};
    line->ptZ2 = {1, -3.25f, 0};
    line->ptZ = {0, 5, 75};
    line->fInclination = 90;
    auto arc = std::make_unique<CPictArc>();
    arc->strZoneTag = u"Z2";
    arc->ptZ0 = {1, 0.125f, -1};
    arc->ptZ1 = {1, 3, 0};
    arc->ptZ2 = {0, 3, 90};
    arc->fRadius = 3;
    arc->nClockwise = 1;
    auto lens = std::make_unique<CPictLens>();
    lens->strZoneTag = u"Z1";
    lens->ptZ1 = {0, 20, 75};
    lens->ptZ2 = {1, 0, 0};
    lens->fInnerAngle = 120;
    lens->fWidthA = 5.7735f;
    lens->fRatioAB = 0.57735f;
    auto orphan = line->Clone();
    orphan->strZoneTag = u"X";
    lists.arrPicts.push_back(std::move(mho));
    lists.arrPicts.push_back(std::move(line));
    lists.arrPicts.push_back(std::move(arc));
    lists.arrPicts.push_back(std::move(lens));
    lists.arrPicts.push_back(std::move(orphan));
    return lists;
}

// The same four kinds in formula form, as a template stores them.
PictList Formulas() {
    PictList list;
    auto mho = std::make_unique<CPictMho>();
    mho->ptZ1 = {0, 0, 0, u"ZZD_MAG", u"ZZD_ANG"};
    mho->strShiftAngle = u"ANGSHIFT";
    auto line = std::make_unique<CPictLine>();
    line->ptZ1 = {1, 0, 0, u"RZD", u"0"};
    auto arc = std::make_unique<CPictArc>();
    arc->ptZ0 = {1, 0, 0, u"RZD/2", u"0"};
    arc->strRadius = u"RZD/2";
    auto lens = std::make_unique<CPictLens>();
    lens->strInnerAngle = u"120";
    list.push_back(std::move(mho));
    list.push_back(std::move(line));
    list.push_back(std::move(arc));
    list.push_back(std::move(lens));
    return list;
}

std::string Write(const qztest::TempDir& dir, const std::string& name,
                  const std::vector<std::uint8_t>& bytes) {
    std::filesystem::path path = dir.path() / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path.string();
}

std::vector<std::string> Keys(const json& object) {
    std::vector<std::string> keys;
    for (const auto& item : object.items()) keys.push_back(item.key());
    std::sort(keys.begin(), keys.end());
    return keys;
}

}  // namespace

TEST(QuarnzShow, EveryKindAsText) {
    qztest::TempDir dir;
    std::string file = Write(dir, "every.zone", EveryKind().ZoneFileBytes());
    qztest::ToolRun run = qztest::Quarnz("show '" + file + "'", dir);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(
        run.out,
        "Zone parameter file " + file +
            "\n"
            "Allowed error: 5.000 %\n"
            "Row  Show  Tag  Name          Setting                                    "
            "Characteristic\n"
            "1    √     Z1   接地距离 I段  Zzd = 10.000Ω ∠ 78.000°, 偏转角 = 1.500 °  圆\n"
            "2          Z2   相间          Rzd = 10.000Ω, Xzd = 78.000Ω               多边形\n"
            "3    √     Z3   空            Zzd = 10.000Ω ∠ 78.000°, Rzd = 1.500Ω      透镜\n"
            "\n"
            "Elements of Z1:\n"
            "    mho     Z1 = 10.000Ω ∠ 80.000°  Z2 = 2.000Ω ∠ 260.000°  deflection = "
            "15.500°\n"
            "    lens    Z1 = 20.000Ω ∠ 75.000°  Z2 = (0.000, 0.000)Ω  inner angle = "
            "120.000°  A = 5.773Ω  A/B = 0.577\n"
            "\n"
            "Elements of Z2:\n"
            "    line    Z1 = (0.000, 2.000)Ω  Z2 = (-3.250, 0.000)Ω  Z = 5.000Ω ∠ 75.000°  "
            "inclination = 90.000°\n"
            "    arc     Z0 = (0.125, -1.000)Ω  radius = 3.000Ω  Z1 = (3.000, 0.000)Ω  "
            "Z2 = 3.000Ω ∠ 90.000°  clockwise\n"
            "\n"
            "Elements of Z3:\n"
            "    (none)\n"
            "\n"
            "Elements of no zone:\n"
            "    [X] line    Z1 = (0.000, 2.000)Ω  Z2 = (-3.250, 0.000)Ω  Z = 5.000Ω ∠ "
            "75.000°  inclination = 90.000°\n");

    // The formula form shows the formulas only: a line's Z and inclination,
    // a lens's width and ratio have none.
    ASSERT_TRUE(SavePictFile(dir.text("prot.tmp"), Formulas(), PictForm::kFormula));
    run = qztest::Quarnz("show --formula '" + (dir.path() / "prot.tmp").string() + "'", dir);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.substr(run.out.find('\n') + 1),
              "mho     Z1 = polar(ZZD_MAG, ZZD_ANG)  Z2 = polar(0.0, 0.0)  deflection = ANGSHIFT\n"
              "line    Z1 = rect(RZD, 0)  Z2 = polar(0.0, 0.0)\n"
              "arc     Z0 = rect(RZD/2, 0)  radius = RZD/2  Z1 = polar(0.0, 0.0)  Z2 = polar(0.0, "
              "0.0)  counter-clockwise\n"
              "lens    Z1 = polar(0.0, 0.0)  Z2 = polar(0.0, 0.0)  inner angle = 120\n");
}

TEST(QuarnzShow, EveryKindAsJson) {
    qztest::TempDir dir;
    std::string file = Write(dir, "every.zone", EveryKind().ZoneFileBytes());
    qztest::ToolRun run = qztest::Quarnz("show --json '" + file + "'", dir);
    ASSERT_EQ(run.status, 0);
    // Written as it goes, laid out as the whole document would print.
    EXPECT_EQ(run.out, nlohmann::ordered_json::parse(run.out).dump(2) + "\n");
    json j = json::parse(run.out);
    EXPECT_EQ(j["fAllowedError"], 0.05);
    ASSERT_EQ(j["zones"].size(), 3u);
    json z = j["zones"][1];
    EXPECT_EQ(Keys(z), (std::vector<std::string>{"Zzd_1", "Zzd_2", "Zzd_3", "Zzd_Mode", "nCharKind",
                                                 "nID", "nShow", "strTag", "strZoneName"}));
    EXPECT_EQ(z["nShow"], 0);
    EXPECT_EQ(z["strZoneName"], "相间");
    EXPECT_EQ(z["Zzd_Mode"], 1);
    EXPECT_EQ(z["Zzd_3"], 1.5);
    EXPECT_EQ(z["nCharKind"], 1);
    EXPECT_EQ(j["zones"][2]["nID"], 7);

    const json& e = j["elements"];
    ASSERT_EQ(e.size(), 5u);
    using Names = std::vector<std::string>;
    EXPECT_EQ(Keys(e[0]),
              (Names{"fShiftAngle", "nKind", "ptZ1", "ptZ2", "strShiftAngle", "strZoneTag"}));
    EXPECT_EQ(Keys(e[1]), (Names{"fInclination", "nKind", "ptZ", "ptZ1", "ptZ2", "strZoneTag"}));
    EXPECT_EQ(Keys(e[2]), (Names{"fRadius", "nClockwise", "nKind", "ptZ0", "ptZ1", "ptZ2",
                                 "strRadius", "strZoneTag"}));
    EXPECT_EQ(Keys(e[3]), (Names{"fInnerAngle", "fRatioAB", "fWidthA", "nKind", "ptZ1", "ptZ2",
                                 "strInnerAngle", "strZoneTag"}));
    for (int k = 0; k < 4; ++k) EXPECT_EQ(e[k]["nKind"], k);
    EXPECT_EQ(e[4]["nKind"], 1);
    EXPECT_EQ(e[4]["strZoneTag"], "X");
    EXPECT_EQ(e[0]["ptZ2"], (json{{"nCoord", 0},
                                  {"fValue1", 2.0},
                                  {"fValue2", 260.0},
                                  {"strFormula1", "0.0"},
                                  {"strFormula2", "0.0"}}));
    EXPECT_EQ(e[0]["fShiftAngle"], 15.5);
    EXPECT_EQ(e[1]["ptZ"]["fValue2"], 75.0);
    EXPECT_EQ(e[1]["fInclination"], 90.0);
    EXPECT_EQ(e[2]["ptZ0"]["fValue1"], 0.125);
    EXPECT_EQ(e[2]["fRadius"], 3.0);
    EXPECT_EQ(e[2]["nClockwise"], 1);
    EXPECT_EQ(e[2]["strRadius"], "1.0");  // the numeric form carries no formulas
    EXPECT_EQ(e[3]["fInnerAngle"], 120.0);
    EXPECT_EQ(e[3]["fWidthA"], 5.7735);  // the float's shortest text
    EXPECT_EQ(e[3]["fRatioAB"], 0.57735);

    ASSERT_TRUE(SavePictFile(dir.text("prot.tmp"), Formulas(), PictForm::kFormula));
    run = qztest::Quarnz("show --formula --json '" + (dir.path() / "prot.tmp").string() + "'", dir);
    json f = json::parse(run.out)["elements"];
    ASSERT_EQ(f.size(), 4u);
    EXPECT_EQ(f[0]["ptZ1"]["strFormula2"], "ZZD_ANG");
    EXPECT_EQ(f[0]["strShiftAngle"], "ANGSHIFT");
    EXPECT_EQ(f[2]["ptZ0"]["strFormula1"], "RZD/2");
    EXPECT_EQ(f[2]["strRadius"], "RZD/2");
    EXPECT_EQ(f[3]["strInnerAngle"], "120");
}

TEST(QuarnzShow, LenientReadsAreNamedOnStandardError) {
    qztest::TempDir dir;
    // A zone count of -3, then an element list of one circle.
    CZoneLists one;
    one.arrPicts.push_back(std::make_unique<CPictMho>());
    std::vector<std::uint8_t> bytes = one.ZoneFileBytes();
    bytes[4] = 0xFD, bytes[5] = bytes[6] = bytes[7] = 0xFF;
    std::string file = Write(dir, "negative.zone", bytes);
    qztest::ToolRun run = qztest::Quarnz("show '" + file + "'", dir);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "quarnz: " + file + ": zone count -3 at byte 4 read as none\n");
    EXPECT_NE(run.out.find("Elements of no zone:\n    [Z1_LE] mho   "), std::string::npos);

    // Bytes after the last element, with the JSON too; and both at once.
    std::size_t end = bytes.size();
    bytes.insert(bytes.end(), {1, 2, 3});
    file = Write(dir, "trailing.zone", bytes);
    run = qztest::Quarnz("show --json '" + file + "'", dir);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "quarnz: " + file + ": zone count -3 at byte 4 read as none; 3 bytes " +
                           "after the last element at byte " + std::to_string(end) + " ignored\n");
    EXPECT_EQ(json::parse(run.out)["elements"].size(), 1u);

    // An ordinary file: nothing to say.
    file = Write(dir, "every.zone", EveryKind().ZoneFileBytes());
    EXPECT_EQ(qztest::Quarnz("show '" + file + "'", dir).err, "");
}

#endif
