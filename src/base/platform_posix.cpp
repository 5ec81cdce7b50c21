#ifndef _WIN32
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

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

bool ReadNative(const std::string& path, std::vector<std::uint8_t>& out, std::size_t limit) {
    // Not blocking: opening a pipe with no writer would wait forever.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    // Read straight into the result; a file that grows meanwhile is read to its end.
    std::size_t size = 0;
    out.resize(std::min(std::size_t(st.st_size) + 1, limit));
    for (;;) {
        if (size == limit) break;
        if (size == out.size()) out.resize(std::min(out.size() * 2, limit));
        ssize_t n = ::read(fd, out.data() + size, out.size() - size);
        if (n < 0 && errno == EINTR) continue;
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

bool Read(const Text& path, std::vector<std::uint8_t>& out, std::size_t limit) {
    return ReadNative(Native(path), out, limit);
}

// A file handle is the descriptor plus one, so that none is null.
int Descriptor(void* file) {
    return int(reinterpret_cast<std::intptr_t>(file) - 1);
}

void* CreateNew(const Text& path) {
    // The mode fopen gives, less the umask.
    int fd =
        ::open(Native(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    return fd < 0 ? nullptr : reinterpret_cast<void*>(std::intptr_t(fd) + 1);
}

bool Write(void* file, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::write(Descriptor(file), data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= std::size_t(n);
    }
    return true;
}

bool Sync(void* file) {
    return ::fsync(Descriptor(file)) == 0;
}

bool Close(void* file) {
    return ::close(Descriptor(file)) == 0;
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

const Vfs kNative = {Exists, Read, CreateNew, Write, Sync, Close, Replace, Remove, MakeFolder};

// $HOME, else the home folder the password database gives; empty when
// neither names an absolute folder.
std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home && *home) return home[0] == '/' ? home : "";
    std::vector<char> buffer(16384);
    struct passwd entry;
    struct passwd* found = nullptr;
    while (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE &&
           buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    if (!found || !found->pw_dir || found->pw_dir[0] != '/') return {};
    return found->pw_dir;
}

// XDG_DOCUMENTS_DIR from user-dirs.dirs, with $HOME expanded.
std::string XdgDocuments(const std::string& home) {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string file =
        (config && *config ? std::string(config) : home + "/.config") + "/user-dirs.dirs";
    std::vector<std::uint8_t> bytes;
    // Read as every input is: a pipe there must not hold up loading the library.
    if (!ReadNative(file, bytes, kWholeFile)) return {};
    std::string text(bytes.begin(), bytes.end());
    const std::string key = "XDG_DOCUMENTS_DIR=\"";
    for (std::size_t at = 0; at < text.size();) {
        std::size_t lineEnd = std::min(text.find('\n', at), text.size());
        std::string line = text.substr(at, lineEnd - at);
        at = lineEnd + 1;
        if (line.rfind(key, 0) != 0) continue;
        std::size_t end = line.rfind('"');
        if (end <= key.size()) continue;
        // xdg-user-dirs writes $ ` " and \ with a backslash before them.
        std::string value;
        for (std::size_t i = key.size(); i < end; ++i) {
            if (line[i] == '\\' && i + 1 < end) ++i;
            value += line[i];
        }
        if (value.rfind("$HOME", 0) == 0 && line.compare(key.size(), 5, "$HOME") == 0)
            value = home + value.substr(5);
        if (!value.empty() && value[0] == '/') return value;
    }
    return {};
}

}  // namespace

const Vfs& NativeVfs() {
    return kNative;
}

Text DocumentsFolder() {
    std::string h = HomeFolder();
    if (h.empty()) return {};  // never the root of the file system
    std::string docs = XdgDocuments(h);
    if (docs.empty()) docs = h + "/Documents";
    while (docs.size() > 1 && docs.back() == '/') docs.pop_back();
    // Not made when missing: only "Quarn" and "Temp" are ours to make, as
    // on Windows, where a missing documents folder leaves nothing saved.
    return FromUtf8(docs);
}

Text ExecutablePath() {
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? FromUtf8(std::string_view(buf, std::size_t(n))) : Text();
}

}  // namespace qz
#endif
