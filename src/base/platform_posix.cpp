#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "base/platform.h"

namespace qz {

namespace {

// A path that is no valid UTF-16 names no file: the empty path, which every
// call refuses.
std::string Native(const Text& path) {
    try {
        return ToUtf8(path);
    } catch (const TextError&) {
        return {};
    }
}

bool Exists(const Text& path) {
    struct stat st;
    return ::stat(Native(path).c_str(), &st) == 0;
}

bool ReadAll(const Text& path, std::vector<std::uint8_t>& out) {
    int fd = ::open(Native(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    // Read straight into the result; a file that grows meanwhile is read to its end.
    std::size_t size = 0;
    out.resize(std::size_t(st.st_size) + 1);
    for (;;) {
        if (size == out.size()) out.resize(out.size() * 2);
        ssize_t n = ::read(fd, out.data() + size, out.size() - size);
        if (n < 0) {
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        size += std::size_t(n);
    }
    out.resize(size);
    ::close(fd);
    return true;
}

void* OpenWrite(const Text& path) {
    return std::fopen(Native(path).c_str(), "wb");
}

bool Write(void* file, const std::uint8_t* data, std::size_t size) {
    return std::fwrite(data, 1, size, static_cast<std::FILE*>(file)) == size;
}

bool Close(void* file) {
    auto* f = static_cast<std::FILE*>(file);
    bool ok = std::fflush(f) == 0 && ::fsync(::fileno(f)) == 0;
    return std::fclose(f) == 0 && ok;
}

bool Replace(const Text& from, const Text& to) {
    return std::rename(Native(from).c_str(), Native(to).c_str()) == 0;
}

void Remove(const Text& path) {
    std::remove(Native(path).c_str());
}

bool MakeFolder(const Text& path) {
    return ::mkdir(Native(path).c_str(), 0777) == 0;
}

const Vfs kNative = {Exists, ReadAll, OpenWrite, Write, Close, Replace, Remove, MakeFolder};

// XDG_DOCUMENTS_DIR from user-dirs.dirs, with $HOME expanded.
std::string XdgDocuments(const std::string& home) {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string file =
        (config && *config ? std::string(config) : home + "/.config") + "/user-dirs.dirs";
    std::ifstream in(file);
    std::string line;
    const std::string key = "XDG_DOCUMENTS_DIR=\"";
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) != 0) continue;
        std::size_t end = line.rfind('"');
        if (end <= key.size()) continue;
        std::string value = line.substr(key.size(), end - key.size());
        if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
        if (!value.empty() && value[0] == '/') return value;
    }
    return {};
}

}  // namespace

const Vfs& NativeVfs() {
    return kNative;
}

Text DocumentsFolder() {
    const char* home = std::getenv("HOME");
    std::string h = home ? home : "";
    std::string docs = XdgDocuments(h);
    if (docs.empty()) docs = h + "/Documents";
    while (docs.size() > 1 && docs.back() == '/') docs.pop_back();
    // Windows always has the documents folder; a Linux home often lacks it.
    ::mkdir(docs.c_str(), 0777);
    return FromUtf8(docs);
}

Text ExecutablePath() {
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? FromUtf8(std::string_view(buf, std::size_t(n))) : Text();
}

}  // namespace qz
#endif
