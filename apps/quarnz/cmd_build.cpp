// quarnz build: a zone parameter file from the JSON quarnz show --json prints.
#include <nlohmann/json.hpp>
#include <string>

#include "apps/quarnz/commands.h"
#include "apps/quarnz/files.h"
#include "apps/quarnz/zone_json.h"
#include "base/platform.h"

namespace quarnz {

namespace {

void Build(const std::string& source, const std::string& out) {
    nlohmann::json doc = ReadJsonFile(source);
    qz::CZoneLists lists;
    try {
        lists = ZoneListsFromJson(doc);
    } catch (const JsonPathError& e) {
        Fail(source, e.path.empty() ? "the document: " + e.what : e.path + ": " + e.what);
    }
    if (!qz::SaveFileReplacing(out, lists.ZoneFileBytes())) Fail(out, "cannot be written");
}

void AddBuild(CLI::App& app) {
    struct Options {
        std::string source, out;
    };
    auto opt = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand(
        "build", "Write a zone parameter file from the JSON that show --json prints");
    cmd->add_option("ZONES", opt->source, "the JSON document")->required();
    cmd->add_option("-o,--output", opt->out, "the zone parameter file to write")->required();
    cmd->callback([opt] { Build(opt->source, opt->out); });
}

const bool registered = RegisterCommand({AddBuild});

}  // namespace

}  // namespace quarnz
