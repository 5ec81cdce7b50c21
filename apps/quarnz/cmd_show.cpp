// quarnz show: a zone parameter file or an element list file, as a table or JSON.
#include <charconv>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "apps/quarnz/commands.h"
#include "apps/quarnz/files.h"
#include "zones/describe.h"

namespace quarnz {

namespace {

using nlohmann::ordered_json;

// The float's shortest decimal text, so 0.05f shows as 0.05.
ordered_json Real(float v) {
    char buf[32];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    if (ec != std::errc() || !std::isfinite(v)) return nullptr;
    return std::stod(std::string(buf, end));
}

std::string Str(qz::TextView t) {
    return qz::ToUtf8Lossy(t);
}

ordered_json PointJson(const qz::PictPoint& p) {
    return {{"nCoord", p.nCoord},
            {"fValue1", Real(p.fValue1)},
            {"fValue2", Real(p.fValue2)},
            {"strFormula1", Str(p.strFormula1)},
            {"strFormula2", Str(p.strFormula2)}};
}

ordered_json PictJson(const qz::CPict& pict) {
    ordered_json j = {{"nKind", pict.nKind}, {"strZoneTag", Str(pict.strZoneTag)}};
    switch (pict.nKind) {
        case qz::kPictMho: {
            auto& m = static_cast<const qz::CPictMho&>(pict);
            j["ptZ1"] = PointJson(m.ptZ1);
            j["ptZ2"] = PointJson(m.ptZ2);
            j["fShiftAngle"] = Real(m.fShiftAngle);
            j["strShiftAngle"] = Str(m.strShiftAngle);
            break;
        }
        case qz::kPictLine: {
            auto& l = static_cast<const qz::CPictLine&>(pict);
            j["ptZ1"] = PointJson(l.ptZ1);
            j["ptZ2"] = PointJson(l.ptZ2);
            j["ptZ"] = PointJson(l.ptZ);
            j["fInclination"] = Real(l.fInclination);
            break;
        }
        case qz::kPictArc: {
            auto& a = static_cast<const qz::CPictArc&>(pict);
            j["ptZ1"] = PointJson(a.ptZ1);
            j["ptZ2"] = PointJson(a.ptZ2);
            j["ptZ0"] = PointJson(a.ptZ0);
            j["fRadius"] = Real(a.fRadius);
            j["nClockwise"] = a.nClockwise;
            j["strRadius"] = Str(a.strRadius);
            break;
        }
        case qz::kPictLens: {
            auto& l = static_cast<const qz::CPictLens&>(pict);
            j["ptZ1"] = PointJson(l.ptZ1);
            j["ptZ2"] = PointJson(l.ptZ2);
            j["fInnerAngle"] = Real(l.fInnerAngle);
            j["fWidthA"] = Real(l.fWidthA);
            j["fRatioAB"] = Real(l.fRatioAB);
            j["strInnerAngle"] = Str(l.strInnerAngle);
            break;
        }
    }
    return j;
}

ordered_json PictsJson(const qz::PictList& picts) {
    ordered_json a = ordered_json::array();
    for (const auto& p : picts) a.push_back(PictJson(*p));
    return a;
}

ordered_json ZonesJson(const qz::CZoneLists& lists) {
    ordered_json zones = ordered_json::array();
    for (const auto& z : lists.arrZones)
        zones.push_back({{"nShow", z->nShow},
                         {"strTag", Str(z->strTag)},
                         {"strZoneName", Str(z->strZoneName)},
                         {"nID", z->nID},
                         {"Zzd_Mode", z->Zzd_Mode},
                         {"Zzd_1", Real(z->Zzd_1)},
                         {"Zzd_2", Real(z->Zzd_2)},
                         {"Zzd_3", Real(z->Zzd_3)},
                         {"nCharKind", z->nCharKind}});
    return {{"fAllowedError", Real(lists.fAllowedError)},
            {"zones", zones},
            {"elements", PictsJson(lists.arrPicts)}};
}

void AddShow(CLI::App& app) {
    struct Options {
        std::string file;
        bool json = false, formula = false;
    };
    auto opt = std::make_shared<Options>();
    CLI::App* cmd =
        app.add_subcommand("show", "Print a zone parameter file or an element list file");
    cmd->add_option("FILE", opt->file, "the file")->required();
    cmd->add_flag("--json", opt->json, "print JSON whose keys are the records' member names");
    cmd->add_flag("--formula", opt->formula, "read an element list in formula form");
    cmd->callback([opt] {
        StoredFile f = ReadStoredFile(opt->file, opt->formula);
        if (opt->json) {
            ordered_json j = f.isZoneFile ? ZonesJson(f.lists)
                                          : ordered_json{{"elements", PictsJson(f.lists.arrPicts)}};
            std::cout << j.dump(2) << "\n";
        } else if (f.isZoneFile) {
            std::cout << "Zone parameter file " << opt->file << "\n"
                      << qz::DescribeZoneLists(f.lists);
        } else {
            std::cout << "Element list file " << opt->file
                      << (opt->formula ? " (formula form)" : "") << "\n"
                      << qz::DescribePictList(f.lists.arrPicts, opt->formula
                                                                    ? qz::PictForm::kFormula
                                                                    : qz::PictForm::kNumeric);
        }
    });
}

const bool registered = RegisterCommand({AddShow});

}  // namespace

}  // namespace quarnz
