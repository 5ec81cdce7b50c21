// quarnz: reads, shows, evaluates and plots what the library stores.
#include <cstdio>
#include <vector>

#include "apps/quarnz/commands.h"

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

int main(int argc, char** argv) {
    CLI::App app{"quarnz: zone parameter files, setting formulas and R-X plots"};
    app.require_subcommand(1);
    for (const auto& command : quarnz::Commands()) command.add(app);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    } catch (const quarnz::Failure& f) {
        return f.status;
    }
    return 0;
}
