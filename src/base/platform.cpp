#include "base/platform.h"

#include <random>

namespace qz {

namespace {

const Vfs* gVfs = nullptr;

// ".<16 hex digits>.part": drawn afresh for every file, so that two hosts on
// one folder, or a leftover of a crash, never meet on a name.
Text FreshSuffix() {
    std::random_device random;
    std::uint64_t n = std::uint64_t(random()) << 32 ^ random();
    Text suffix = u".0000000000000000.part";
    for (std::size_t i = 16; i > 0; n >>= 4, --i) suffix[i] = u"0123456789abcdef"[n & 15];
    return suffix;
}

}  // namespace

const Vfs& CurrentVfs() {
    return gVfs ? *gVfs : NativeVfs();
}

const Vfs* SetVfs(const Vfs* vfs) {
    const Vfs* previous = gVfs;
    gVfs = vfs;
    return previous;
}

Text JoinPath(TextView folder, TextView name) {
    Text path(folder);
    path += kPathSeparator;
    path += name;
    return path;
}

bool SaveFileReplacing(const std::string& utf8Path, const std::vector<std::uint8_t>& bytes) {
    try {
        return SaveFileReplacing(FromUtf8(utf8Path), bytes);
    } catch (const TextError&) {
        return false;
    }
}

bool SaveFileReplacing(const Text& path, const std::vector<std::uint8_t>& bytes) {
    const Vfs& fs = CurrentVfs();
    for (int draw = 0; draw < 8; ++draw) {
        Text part = path + FreshSuffix();
        void* file = fs.createNew(part);
        if (!file) {
            if (fs.exists(part)) continue;  // the name is taken: draw another
            return false;
        }
        bool ok = fs.write(file, bytes.data(), bytes.size()) && fs.sync(file);
        ok = fs.close(file) && ok;
        if (ok && fs.replace(part, path)) return true;
        fs.remove(part);
        return false;
    }
    return false;
}

void CreateFolderIfMissing(const Text& path) {
    const Vfs& fs = CurrentVfs();
    if (!fs.exists(path)) fs.makeFolder(path);
}

}  // namespace qz
