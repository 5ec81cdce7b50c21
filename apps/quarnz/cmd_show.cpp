// quarnz show: a zone parameter file or an element list file, as a table or JSON.
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "apps/quarnz/commands.h"
#include "apps/quarnz/files.h"
#include "apps/quarnz/zone_json.h"
#include "zones/describe.h"

namespace quarnz {

namespace {

using nlohmann::ordered_json;

// The document as dump(2) prints it, written record by record: a file of
// 100,000 zones never becomes one tree of JSON values in memory.
class JsonWriter {
  public:
    ~JsonWriter() { Flush(); }
    void Raw(std::string_view text) {
        out_ += text;
        if (out_.size() >= 1 << 16) Flush();
    }
    // A value `indent` deep: its own lines indented by as much more.
    void Nested(const ordered_json& value, std::string_view indent = "    ") {
        std::string text = value.dump(2);
        std::size_t from = 0;
        for (std::size_t nl; (nl = text.find('\n', from)) != std::string::npos; from = nl + 1) {
            Raw(std::string_view(text).substr(from, nl + 1 - from));
            Raw(indent);
        }
        Raw(std::string_view(text).substr(from));
    }
    // A zone's record as Nested prints it, without building it first.
    void Zone(const qz::CZone& z) {
        const char* separator = "{\n      \"";
        ListZoneMembers(z, [&](const char* key, const auto& member) {
            Raw(separator);
            Raw(key);
            Raw("\": ");
            Nested(MemberJson(member), "      ");
            separator = ",\n      \"";
        });
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
        w.Raw(ExactNumber(f.lists.fAllowedError).dump());
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
