// The frame of the tools' main functions: every failure is one line on
// standard error and a non-zero status, and a write to standard output that
// fails (a full disk, a reader that went away) is a failure like any other.
#pragma once

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>

namespace tool {

// Flushes standard output; false, with one line on standard error, when a
// write to it failed.
inline bool StandardOutputWritten(const char* name) {
    errno = 0;
    std::cout.flush();
    bool flushed = std::fflush(stdout) == 0;
    if (flushed && !std::ferror(stdout) && std::cout.good()) return true;
    int error = errno;
    std::fprintf(stderr, "%s: cannot write to standard output%s%s\n", name, error ? ": " : "",
                 error ? std::strerror(error) : "");
    return false;
}

// Runs the tool: `run` gives the exit status, having said why when it is
// not 0; an exception it lets out gives status 1 with its message.
inline int Main(const char* name, int (*run)(int, char**), int argc, char** argv) {
#ifdef SIGPIPE
    // A closed pipe then fails the write instead of ending the process unheard.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    int status = 1;
    try {
        status = run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", name, e.what());
    }
    if (status == 0 && !StandardOutputWritten(name)) status = 1;
    return status;
}

}  // namespace tool
