#include "base/platform.h"

namespace qz {

namespace {
const Vfs* gVfs = nullptr;
}

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

bool SaveFileReplacing(const Text& path, const std::vector<std::uint8_t>& bytes) {
    const Vfs& fs = CurrentVfs();
    Text part = path + u".part";
    void* file = fs.openWrite(part);
    if (!file) return false;
    bool ok = fs.write(file, bytes.data(), bytes.size());
    ok = fs.close(file) && ok;
    if (ok && fs.replace(part, path)) return true;
    fs.remove(part);
    return false;
}

void CreateFolderIfMissing(const Text& path) {
    const Vfs& fs = CurrentVfs();
    if (!fs.exists(path)) fs.makeFolder(path);
}

}  // namespace qz
