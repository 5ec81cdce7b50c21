// quarnz: reads, shows, evaluates and plots what the library stores.
#include <string>
#include <vector>

#include "apps/quarnz/commands.h"
#include "tool_main.h"

namespace quarnz {

static std::vector<Command>& Commands() {
    static std::vector<Command> commands;
    return commands;
}

bool RegisterCommand(Command command) {
    Commands().push_back(command);
    return true;
}

}  // namespace quarnz

namespace {

int Run(int argc, char** argv) {
    CLI::App app{"quarnz: zone parameter files, setting formulas and R-X plots"};
    app.require_subcommand(1);
    // A wrong command line is one line, as every other failure is.
    app.failure_message([](const CLI::App*, const CLI::Error& e) {
        return "quarnz: " + std::string(e.what()) + " (see quarnz --help)\n";
    });
    for (const auto& command : quarnz::Commands()) command.add(app);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int status = app.exit(e);
        for (const auto& command : quarnz::Commands())
            if (status != 0 && command.usageStatus && app.got_subcommand(command.name))
                return command.usageStatus;
        return status;
    } catch (const quarnz::Failure& f) {
        return f.status;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    return tool::Main("quarnz", Run, argc, argv);
}
