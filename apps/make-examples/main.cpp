// Writes the example zone parameter files into a folder:
// mho.zone, quad.zone, lens.zone and several.zone (all of them together),
// and fault.cfg with fault.dat: a recorded earth fault inside zone 1.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "comtrade/synthetic.h"
#include "comtrade/writer.h"

#include "zones/zone_list.h"

using namespace qz;

namespace {

std::unique_ptr<CZone> Zone(const char16_t* tag, const char16_t* name, int mode, float z1, float z2,
                            float z3, int kind) {
    auto z = std::make_unique<CZone>();
    z->strTag = tag;
    z->strZoneName = name;
    z->setting = {mode, z1, z2, z3};
    z->nCharKind = kind;
    return z;
}

// Earth-fault zone 1: a mho circle through 10 Ω ∠ 78° and a small reverse offset.
void AddMho(CZoneLists& lists) {
    lists.arrZones.push_back(Zone(u"Z1,LE", u"接地距离 I段", 0, 10, 78, 0, kCharCircle));
    auto m = std::make_unique<CPictMho>();
    m->strZoneTag = u"Z1,LE";
    m->ptZ1 = {0, 10, 78};
    m->ptZ2 = {0, 1, 258};
    lists.arrPicts.push_back(std::move(m));
}

// Phase-to-phase zone 2: a quadrilateral of four lines, each through its first vertex.
void AddQuad(CZoneLists& lists) {
    lists.arrZones.push_back(Zone(u"Z2,PP", u"相间距离 II段", 1, 8, 12, 0, kCharPolygon));
    const float v[][2] = {{0, 0}, {8, -2}, {11, 10}, {-3, 12}};
    for (int i = 0; i < 4; ++i) {
        const float* a = v[i];
        const float* b = v[(i + 1) % 4];
        auto l = std::make_unique<CPictLine>();
        l->strZoneTag = u"Z2,PP";
        l->ptZ1 = {1, a[0], a[1]};
        l->ptZ2 = {1, b[0], b[1]};
        l->ptZ = l->ptZ1;
        l->fInclination = float(std::atan2(b[1] - a[1], b[0] - a[0]) * 180 / kPi);
        lists.arrPicts.push_back(std::move(l));
    }
}

// Earth-fault zone 3: a lens of inner angle 120° along 20 Ω ∠ 75°.
void AddLens(CZoneLists& lists) {
    lists.arrZones.push_back(Zone(u"Z3,LE", u"接地距离 III段", 0, 20, 75, 0, kCharLens));
    auto l = std::make_unique<CPictLens>();
    l->strZoneTag = u"Z3,LE";
    l->ptZ1 = {0, 20, 75};
    l->ptZ2 = {0, 2, 255};
    l->fInnerAngle = 120;
    l->fRatioAB = float(1 / std::tan(60 * kPi / 180));
    l->fWidthA = 22 * l->fRatioAB;
    lists.arrPicts.push_back(std::move(l));
}

bool Write(const std::string& folder, const char* name, const CZoneLists& lists) {
    std::string path = folder + "/" + name;
    if (lists.SaveZoneFile(FromUtf8(path))) return true;
    std::fprintf(stderr, "make-examples: cannot write %s\n", path.c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    // An option is no folder: "--help" would otherwise become one.
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: make-examples FOLDER\n");
        return 2;
    }
    std::string folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(
        std::filesystem::path(reinterpret_cast<const char8_t*>(folder.c_str())), error);
    if (error) {
        std::fprintf(stderr, "make-examples: cannot make the folder %s: %s\n", folder.c_str(),
                     error.message().c_str());
        return 1;
    }
    CZoneLists mho, quad, lens, several;
    mho.fAllowedError = quad.fAllowedError = lens.fAllowedError = several.fAllowedError = 0.05f;
    AddMho(mho);
    AddQuad(quad);
    AddLens(lens);
    AddMho(several);
    AddQuad(several);
    AddLens(several);
    // A backup zone set by R and X with its line angle, no elements of its own yet.
    several.arrZones.push_back(Zone(u"Z4,PP", u"相间距离 IV段", 3, 6, 25, 80, kCharPolygon));
    several.arrZones.back()->nShow = 0;
    bool ok = Write(folder, "mho.zone", mho) && Write(folder, "quad.zone", quad) &&
              Write(folder, "lens.zone", lens) && Write(folder, "several.zone", several);
    if (!ok) return 1;
    // The model's default: A to earth at 0.6 of the line, 0.72 + j7.2 ohms.
    try {
        comtrade::FaultModel model;
        comtrade::WriteRecord(comtrade::MakeFaultRecord(model), folder + "/fault", {});
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make-examples: cannot write %s/fault.cfg: %s\n", folder.c_str(),
                     e.what());
        return 1;
    }
    return 0;
}
