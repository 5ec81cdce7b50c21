// What the tools do with their standard output: a write that fails (a full
// disk, a reader that went away) is a failure of the tool like any other.
#pragma once

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace tool {

// A closed pipe then fails the write instead of ending the process unheard.
inline void IgnoreBrokenPipe() {
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

// Flushes standard output; false, with one line on standard error, when a
// write to it failed.
inline bool StandardOutputWritten(const char* tool) {
    errno = 0;
    std::cout.flush();
    bool flushed = std::fflush(stdout) == 0;
    if (flushed && !std::ferror(stdout) && std::cout.good()) return true;
    int error = errno;
    std::fprintf(stderr, "%s: cannot write to standard output%s%s\n", tool, error ? ": " : "",
                 error ? std::strerror(error) : "");
    return false;
}

}  // namespace tool
