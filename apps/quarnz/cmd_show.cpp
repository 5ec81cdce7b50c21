// quarnz show: a zone parameter file or an element list file, as a table or JSON.
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "apps/quarnz/commands.h"
#include "apps/quarnz/files.h"
#include "apps/quarnz/json.h"
#include "zones/describe.h"

namespace quarnz {

namespace {

using nlohmann::ordered_json;

std::string Str(qz::TextView t) {
    return qz::ToUtf8Lossy(t);
}

ordered_json PointJson(const qz::PictPoint& p) {
    return {{"nCoord", p.nCoord},
            {"fValue1", Number(p.fValue1)},
            {"fValue2", Number(p.fValue2)},
            {"strFormula1", Str(p.strFormula1)},
            {"strFormula2", Str(p.strFormula2)}};
}

// Each member under its own name.
class JsonFields final : public qz::PictFieldVisitor {
  public:
    explicit JsonFields(ordered_json& j) : j_(j) {}
    void Point(qz::PictFieldName name, const qz::PictPoint& point, bool) override {
        j_[name.member] = PointJson(point);
    }
    void Real(qz::PictFieldName name, const char*, const float& value) override {
        j_[name.member] = Number(value);
    }
    void Formula(qz::PictFieldName name, const qz::FormulaText& formula, const float&) override {
        j_[name.member] = Str(formula);
    }
    void Flag(qz::PictFieldName name, const std::int32_t& value, const char*,
              const char*) override {
        j_[name.member] = value;
    }

  private:
    ordered_json& j_;
};

ordered_json PictJson(const qz::CPict& pict) {
    ordered_json j = {{"nKind", std::int32_t(pict.Kind())}, {"strZoneTag", Str(pict.strZoneTag)}};
    JsonFields fields(j);
    pict.VisitFields(fields);
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
                         {"Zzd_1", Number(z->Zzd_1)},
                         {"Zzd_2", Number(z->Zzd_2)},
                         {"Zzd_3", Number(z->Zzd_3)},
                         {"nCharKind", z->nCharKind}});
    return {{"fAllowedError", Number(lists.fAllowedError)},
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
        // Read as always, but not passed off as an ordinary file.
        if (std::string remarks = f.reading.Remarks(); !remarks.empty())
            std::fprintf(stderr, "quarnz: %s: %s\n", opt->file.c_str(), remarks.c_str());
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
