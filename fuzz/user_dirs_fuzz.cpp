// Any bytes as the user's user-dirs.dirs, read as loading the library reads
// it to find the documents folder.  Either the bytes are the file, or they
// name a folder written into the file as xdg-user-dirs writes it (special
// characters escaped, under $HOME or absolute), among the file's other lines.
// The folder found is always absolute and without a trailing separator; a
// written folder is found exactly; a file that names none gives
// ~/Documents; a folder that is no valid text is refused with TextError.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "base/platform.h"
#include "fuzz_check.h"

namespace {

const std::string kHome = "/home/fuzz";
std::string config;

std::string Escaped(const std::string& name) {
    std::string out;
    for (char c : name) {
        if (c == '"' || c == '\\' || c == '$' || c == '`') out += '\\';
        out += c;
    }
    return out;
}

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char dir[] = "/dev/shm/qz_user_dirs_XXXXXX";
    Check(::mkdtemp(dir) != nullptr);
    config = dir;
    ::setenv("HOME", kHome.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string file, expected;
    const bool written = data[0] & 1;
    if (written) {
        // A folder name holds neither a NUL nor, in this file, a line break.
        std::string name;
        for (char c : rest)
            if (c != '\0' && c != '\n') name += c;
        const bool underHome = data[0] & 2;
        file =
            "# This file is written by xdg-user-dirs-update\n"
            "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
            "XDG_DOCUMENTS_DIR=\"" +
            std::string(underHome ? "$HOME/" : "/") + Escaped(name) +
            "\"\nXDG_MUSIC_DIR=\"$HOME/Music\"\n";
        expected = WithoutTrailingSlashes((underHome ? kHome + "/" : "/") + name);
    } else {
        file = rest;
        if (file.rfind("XDG_DOCUMENTS_DIR=\"", 0) != 0 &&
            file.find("\nXDG_DOCUMENTS_DIR=\"") == std::string::npos)
            expected = kHome + "/Documents";
    }
    {
        std::ofstream out(config + "/user-dirs.dirs", std::ios::binary | std::ios::trunc);
        out << file;
    }
    qz::Text folder;
    try {
        folder = qz::DocumentsFolder();
    } catch (const qz::TextError&) {
        // Only a folder that is no valid UTF-8 is refused.
        bool valid = true;
        try {
            qz::FromUtf8(expected.empty() ? file : expected);
        } catch (const qz::TextError&) {
            valid = false;
        }
        Check(!valid);
        return 0;
    }
    Check(!folder.empty() && folder.front() == u'/');
    Check(folder.size() == 1 || folder.back() != u'/');
    if (!expected.empty()) Check(qz::ToUtf8(folder) == expected);
    return 0;
}
