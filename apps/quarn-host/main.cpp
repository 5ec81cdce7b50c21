// quarn-host: a stand-in for the relay-test host.  It loads the library as
// a file, calls the four functions the way the host does and shows the zone
// parameter file that comes back.  With --play the user's actions in the
// dialogs come from a session script.
#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "QuarnZGraph.h"
#include "base/text.h"
#include "zones/describe.h"
#include "zones/zone_list.h"

namespace {

using InitFn = void (*)();
using ZoneSetFn = std::int32_t (*)(const char16_t*);
using GetNameFn = std::int32_t (*)(char16_t*);
using ReleaseFn = void (*)();
using PlayFn = std::int32_t (*)(const char16_t*);

const char kUsage[] =
    "usage: quarn-host [--library PATH] [--play SCRIPT] [ZONEFILE]\n"
    "  Loads libQuarnZGraph.so, or QuarnZGraph.dll on Windows (beside this\n"
    "  program unless --library names it),\n"
    "  runs the zone settings dialog on ZONEFILE (none when left out) and prints\n"
    "  the zone parameter file written.  --play takes the user's actions from a\n"
    "  session script; without it the dialog ends with Cancel at once.\n";

#ifdef _WIN32
constexpr char kLibraryFile[] = "\\QuarnZGraph.dll";

std::string ExecutablePath() {
    std::vector<wchar_t> buf(32768);
    DWORD n = GetModuleFileNameW(nullptr, buf.data(), DWORD(buf.size()));
    return qz::ToUtf8Lossy(std::u16string(buf.data(), buf.data() + n));
}

// The library's handle, or null with the reason in `error`.
void* Load(const std::string& path, std::string& error) {
    std::u16string wide = qz::FromUtf8(path);
    HMODULE lib = LoadLibraryW(reinterpret_cast<const wchar_t*>(wide.c_str()));
    if (!lib) error = path + ": LoadLibraryW failed, error " + std::to_string(GetLastError());
    return lib;
}

void* Symbol(void* lib, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(lib), name));
}

void Unload(void* lib) {
    FreeLibrary(static_cast<HMODULE>(lib));
}
#else
constexpr char kLibraryFile[] = "/libQuarnZGraph.so";

std::string ExecutablePath() {
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, std::size_t(n)) : std::string();
}

void* Load(const std::string& path, std::string& error) {
    void* lib = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) error = ::dlerror();
    return lib;
}

void* Symbol(void* lib, const char* name) {
    return ::dlsym(lib, name);
}

void Unload(void* lib) {
    ::dlclose(lib);
}
#endif

std::string ExecutableFolder() {
    std::string path = ExecutablePath();
    std::size_t cut = path.rfind(kLibraryFile[0]);
    return cut == std::string::npos ? std::string(".") : path.substr(0, cut);
}

bool ReadFile(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// The zone parameter file as quarnz show prints it.
int PrintZoneFile(const std::string& path) {
    std::string bytes;
    if (!ReadFile(path, bytes)) {
        std::fprintf(stderr, "quarn-host: cannot read %s\n", path.c_str());
        return 1;
    }
    qz::CZoneLists lists;
    try {
        lists.AppendZoneFileBytes(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                  bytes.size());
    } catch (const qz::ArchiveError& e) {
        std::fprintf(stderr, "quarn-host: %s is broken: %s\n", path.c_str(), e.what());
        return 1;
    }
    std::fputs(qz::DescribeZoneLists(lists).c_str(), stdout);
    return 0;
}

template <class Fn>
Fn Find(void* lib, const char* name) {
    void* sym = Symbol(lib, name);
    if (!sym) std::fprintf(stderr, "quarn-host: the library has no function %s\n", name);
    return reinterpret_cast<Fn>(sym);
}

}  // namespace

int main(int argc, char** argv) {
    std::string library = ExecutableFolder() + kLibraryFile;
    std::string script, zoneFile;
    bool haveScript = false, haveZoneFile = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if ((arg == "--library" || arg == "--play") && i + 1 < argc) {
            (arg == "--library" ? library : script) = argv[++i];
            haveScript = haveScript || arg == "--play";
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (!arg.empty() && arg[0] != '-' && !haveZoneFile) {
            zoneFile = arg;
            haveZoneFile = true;
        } else {
            std::fputs(kUsage, stderr);
            return 1;
        }
    }

    std::u16string scriptText;
    if (haveScript) {
        std::string bytes;
        if (!ReadFile(script, bytes)) {
            std::fprintf(stderr, "quarn-host: cannot read the session script %s\n", script.c_str());
            return 1;
        }
        try {
            scriptText = qz::FromUtf8(bytes);
        } catch (const qz::TextError&) {
            std::fprintf(stderr, "quarn-host: %s is not UTF-8 text\n", script.c_str());
            return 1;
        }
    }

    std::string error;
    void* lib = Load(library, error);
    if (!lib) {
        std::fprintf(stderr, "quarn-host: %s\n", error.c_str());
        return 1;
    }
    auto init = Find<InitFn>(lib, "my_dll_Init");
    auto zoneSet = Find<ZoneSetFn>(lib, "my_dll_ZoneSet");
    auto getName = Find<GetNameFn>(lib, "my_dll_GetZoneFileName");
    auto release = Find<ReleaseFn>(lib, "my_dll_Release");
    auto play = haveScript ? Find<PlayFn>(lib, "quarnz_PlaySession") : nullptr;
    if (!init || !zoneSet || !getName || !release || (haveScript && !play)) return 1;

    int status = 0;
    init();
    if (haveScript && !play(scriptText.c_str())) status = 2;
    std::u16string path16;
    if (haveZoneFile) path16 = qz::FromUtf8(zoneFile);
    if (status == 0) {
        std::int32_t confirmed = zoneSet(haveZoneFile ? path16.c_str() : nullptr);
        std::printf("my_dll_ZoneSet: %d\n", confirmed);
        std::vector<char16_t> name(32768, u'\0');
        std::int32_t named = getName(name.data());
        std::string nameUtf8 = qz::ToUtf8Lossy(name.data());
        std::printf("my_dll_GetZoneFileName: %d %s\n", named, nameUtf8.c_str());
        if (named && PrintZoneFile(nameUtf8) != 0) status = 1;
        if (haveScript && !play(nullptr)) status = 2;
    }
    release();
    Unload(lib);
    return status;
}
