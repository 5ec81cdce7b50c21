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
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
// CommandLineToArgvW, which WIN32_LEAN_AND_MEAN leaves out of windows.h.
#include <shellapi.h>
#endif

#include "base/text.h"

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

// The arguments as UTF-8, the program's name first: on Windows from the
// wide command line, as the 8-bit one holds only what the code page can
// spell; elsewhere the bytes as given.
inline std::vector<std::string> Utf8Arguments(int argc, char** argv) {
#ifdef _WIN32
    (void)argc, (void)argv;
    int n = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &n);
    std::vector<std::string> args;
    try {
        for (int i = 0; wide && i < n; ++i)
            args.push_back(qz::ToUtf8(reinterpret_cast<const char16_t*>(wide[i])));
    } catch (...) {
        LocalFree(wide);
        throw;
    }
    LocalFree(wide);
    return args;
#else
    return std::vector<std::string>(argv, argv + argc);
#endif
}

// Runs the tool on its arguments in UTF-8: `run` gives the exit status,
// having said why when it is not 0; an exception it lets out gives status 1
// with its message.
inline int Main(const char* name, int (*run)(int, char**), int argc, char** argv) {
#ifdef SIGPIPE
    // A closed pipe then fails the write instead of ending the process unheard.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    int status = 1;
    try {
        std::vector<std::string> args = Utf8Arguments(argc, argv);
        std::vector<char*> pointers;
        for (std::string& a : args) pointers.push_back(a.data());
        pointers.push_back(nullptr);
        status = run(int(args.size()), pointers.data());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", name, e.what());
    }
    if (status == 0 && !StandardOutputWritten(name)) status = 1;
    return status;
}

}  // namespace tool
