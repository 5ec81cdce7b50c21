// Each subcommand of quarnz lives in its own file and registers itself.
#pragma once

#include <CLI/CLI.hpp>

namespace quarnz {

struct Command {
    // Adds the subcommand, its options and its callback to the app.
    void (*add)(CLI::App& app);
    // The exit status of a wrong command line for the subcommand `name`
    // when it is not CLI11's (0: CLI11's).
    const char* name = nullptr;
    int usageStatus = 0;
};

// Called from a static object in each command's file.
bool RegisterCommand(Command command);

// Exit status for a failed command whose message is already on standard error.
struct Failure {
    int status = 1;
};

}  // namespace quarnz
