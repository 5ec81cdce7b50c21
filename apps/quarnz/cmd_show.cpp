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

// The document as dump(2) prints it, written record by record: a file of
// 100,000 zones never becomes one tree of JSON values in memory.
class JsonWriter {
  public:
    ~JsonWriter() { Flush(); }
    void Raw(std::string_view text) {
        out_ += text;
        if (out_.size() >= 1 << 16) Flush();
    }
    // A record two levels deep: its own lines indented by four more.
    void Nested(const ordered_json& value) {
        std::string text = value.dump(2);
        std::size_t from = 0;
        for (std::size_t nl; (nl = text.find('\n', from)) != std::string::npos; from = nl + 1) {
            Raw(std::string_view(text).substr(from, nl + 1 - from));
            Raw("    ");
        }
        Raw(std::string_view(text).substr(from));
    }
    // A zone's record as Nested prints it, without building it first.
    void Zone(const qz::CZone& z) {
        auto member = [&](const char* key, const std::string& json, bool last = false) {
            Raw("\n      \"");
            Raw(key);
            Raw("\": ");
            Raw(json);
            if (!last) Raw(",");
        };
        Raw("{");
        member("nShow", std::to_string(z.nShow));
        member("strTag", ordered_json(Str(z.strTag)).dump());
        member("strZoneName", ordered_json(Str(z.strZoneName)).dump());
        member("nID", std::to_string(z.nID));
        member("Zzd_Mode", std::to_string(z.setting.Zzd_Mode));
        member("Zzd_1", Number(z.setting.Zzd_1).dump());
        member("Zzd_2", Number(z.setting.Zzd_2).dump());
        member("Zzd_3", Number(z.setting.Zzd_3).dump());
        member("nCharKind", std::to_string(z.nCharKind), true);
        Raw("\n    }");
    }
    template <class List, class Print>
    void Array(const char* key, const List& list, Print print, bool last) {
        Raw("  \"");
        Raw(key);
        Raw("\": [");
        bool first = true;
        for (const auto& item : list) {
            Raw(first ? "\n    " : ",\n    ");
            print(*item);
            first = false;
        }
        Raw(first ? "]" : "\n  ]");
        Raw(last ? "\n" : ",\n");
    }
    void Flush() {
        std::fwrite(out_.data(), 1, out_.size(), stdout);
        out_.clear();
    }

  private:
    std::string out_;
};

void PrintJson(const StoredFile& f) {
    JsonWriter w;
    w.Raw("{\n");
    if (f.isZoneFile) {
        w.Raw("  \"fAllowedError\": ");
        w.Raw(Number(f.lists.fAllowedError).dump());
        w.Raw(",\n");
        w.Array(
            "zones", f.lists.arrZones, [&](const qz::CZone& z) { w.Zone(z); }, false);
    }
    w.Array(
        "elements", f.lists.arrPicts, [&](const qz::CPict& p) { w.Nested(PictJson(p)); }, true);
    w.Raw("}\n");
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
            PrintJson(f);
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
