// quarn-host: a stand-in for the relay-test host.  It loads the library as
// a file, calls the four functions the way the host does and shows the zone
// parameter file that comes back.  With --play the user's actions in the
// dialogs come from a session script; with --call it makes several calls on
// the one loaded library, so that what the library keeps between them shows.
#ifdef _WIN32
#include <windows.h>
// After windows.h.
#include <shellapi.h>
#else
#include <dlfcn.h>
#endif

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "QuarnZGraph.h"
#include "base/platform.h"
#include "base/quote.h"
#include "base/text.h"
#include "tool_main.h"
#include "zones/describe.h"
#include "zones/zone_list.h"

namespace {

const char kUsage[] =
    "usage: quarn-host [--library PATH] [--play SCRIPT] [ZONEFILE]\n"
    "       quarn-host [--library PATH] --call [--play SCRIPT] [ZONEFILE|--null]\n"
    "                  [--release] --call ...\n"
    "  Loads libQuarnZGraph.so, or QuarnZGraph.dll on Windows (beside this\n"
    "  program unless --library names it), calls my_dll_ZoneSet on ZONEFILE\n"
    "  (null when left out or with --null) and prints what it returned, what\n"
    "  my_dll_GetZoneFileName returned and the zone parameter file written.\n"
    "  Each --call is one call on the same loaded library with its own script\n"
    "  and path; --release calls my_dll_Release between two calls.  --play\n"
    "  takes the user's actions from a session script; without it\n"
#ifdef _WIN32
    "  the dialogs are shown to the person at the screen.\n";
#else
    "  the dialog ends with Cancel at once: the Linux library has no screen.\n";
#endif

// Ends the run; its line is on standard error already.
struct Failure {
    int status;
};

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "quarn-host: %s\n", what.c_str());
    throw Failure{1};
}

// One my_dll_ZoneSet call, or my_dll_Release between two.
struct Action {
    bool release = false;
    bool play = false, hasPath = false, null = false;
    std::string script, zoneFile;  // as given
    qz::Text scriptText, path;
};

struct Options {
    bool help = false;
    bool calls = false;  // --call: a header line before each call
    std::string library;
    std::vector<Action> actions;
};

// The arguments after the program's name (UTF-8, as tool::Main gives them).
std::vector<std::string> Arguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

Options ParseArguments(const std::vector<std::string>& args) {
    Options o;
    for (const auto& arg : args) o.calls = o.calls || arg == "--call";
    if (!o.calls) o.actions.emplace_back();  // the one call
    auto value = [&](std::size_t& i) -> const std::string& {
        if (i + 1 >= args.size()) Fail(args[i] + " needs a value (see --help)");
        return args[++i];
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == "--library") {
            o.library = value(i);
        } else if (arg == "--call") {
            o.actions.emplace_back();
        } else if (arg == "--release") {
            if (!o.calls) Fail("--release stands between two --call (see --help)");
            o.actions.emplace_back().release = true;
        } else {
            if (o.actions.empty() || o.actions.back().release)
                Fail(arg + " belongs to a --call (see --help)");
            Action& call = o.actions.back();
            if (arg == "--play") {
                if (call.play) Fail("one --play a call (see --help)");
                call.script = value(i);
                call.play = true;
            } else if (arg == "--null" || (!arg.empty() && arg[0] != '-')) {
                if (call.hasPath) Fail("one zone file or --null a call (see --help)");
                call.hasPath = true;
                call.null = arg == "--null";
                if (!call.null) call.zoneFile = arg;
            } else {
                Fail("unknown option " + arg + " (see --help)");
            }
        }
    }
    return o;
}

// A file name the library and the file system take: UTF-16.
qz::Text FileName(const std::string& name) {
    try {
        return qz::FromUtf8(name);
    } catch (const qz::TextError&) {
        Fail(qz::QuoteForMessage(name) + ": the file name is not UTF-8");
    }
}

// The whole file through the platform's file table; only a regular file reads.
std::vector<std::uint8_t> ReadFile(const qz::Text& name) {
    std::string shown = qz::QuoteForMessage(name);
    std::vector<std::uint8_t> bytes;
    if (!qz::CurrentVfs().read(name, bytes, qz::kWholeFile))
        Fail(shown + (qz::CurrentVfs().exists(name) ? ": cannot be read" : ": no such file"));
    return bytes;
}

qz::Text ReadScript(const std::string& path) {
    std::vector<std::uint8_t> bytes = ReadFile(FileName(path));
    try {
        return qz::FromUtf8(
            std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    } catch (const qz::TextError&) {
        Fail(qz::QuoteForMessage(path) + ": the session script is not UTF-8 text");
    }
}

// The zone parameter file as quarnz show prints it.
void PrintZoneFile(const qz::Text& name) {
    std::vector<std::uint8_t> bytes = ReadFile(name);
    qz::CZoneLists lists;
    try {
        lists.AppendZoneFileBytes(bytes.data(), bytes.size());
    } catch (const qz::ArchiveError& e) {
        Fail(qz::QuoteForMessage(name) + ": broken zone parameter file: " + e.what());
    }
    std::fputs(qz::DescribeZoneLists(lists).c_str(), stdout);
}

// The library, loaded as a file and reached only through its exports; it
// is released and unloaded whatever ends the run.
class Library {
  public:
    explicit Library(const std::string& path) {
#ifdef _WIN32
        handle_ = LoadLibraryW(reinterpret_cast<const wchar_t*>(FileName(path).c_str()));
        if (!handle_) {
            DWORD error = GetLastError();
            std::string shown = qz::QuoteForMessage(path);
            // A process loads only a DLL of its own width.
            if (error == ERROR_BAD_EXE_FORMAT)
                Fail(shown + ": not a DLL for a " + std::to_string(8 * sizeof(void*)) +
                     "-bit program (a 32-bit host needs the 32-bit QuarnZGraph.dll, a 64-bit "
                     "host the 64-bit one)");
            Fail(shown + ": LoadLibraryW failed, error " + std::to_string(error));
        }
#else
        handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle_) Fail(qz::QuoteForMessage(std::string_view(::dlerror())));
#endif
        init = Find<void (*)()>("my_dll_Init");
        zoneSet = Find<std::int32_t (*)(const char16_t*)>("my_dll_ZoneSet");
        getName = Find<std::int32_t (*)(char16_t*)>("my_dll_GetZoneFileName");
        release = Find<void (*)()>("my_dll_Release");
        play = Find<std::int32_t (*)(const char16_t*)>("quarnz_PlaySession");
        if (!missing_.empty()) {
            Unload();
            Fail("the library has no function " + missing_);
        }
    }
    ~Library() {
        release();
        Unload();
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    void (*init)() = nullptr;
    std::int32_t (*zoneSet)(const char16_t*) = nullptr;
    std::int32_t (*getName)(char16_t*) = nullptr;
    void (*release)() = nullptr;
    std::int32_t (*play)(const char16_t*) = nullptr;

  private:
    template <class Fn>
    Fn Find(const char* name) {
#ifdef _WIN32
        auto* symbol = reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
#else
        void* symbol = ::dlsym(handle_, name);
#endif
        if (!symbol && missing_.empty()) missing_ = name;
        return reinterpret_cast<Fn>(symbol);
    }
    void Unload() {
#ifdef _WIN32
        FreeLibrary(static_cast<HMODULE>(handle_));
#else
        ::dlclose(handle_);
#endif
    }

    void* handle_ = nullptr;
    std::string missing_;
};

// The library beside this program.
std::string DefaultLibrary() {
#ifdef _WIN32
    const char16_t* file = u"QuarnZGraph.dll";
#else
    const char16_t* file = u"libQuarnZGraph.so";
#endif
    qz::Text folder = qz::ExecutablePath();
    std::size_t cut = folder.rfind(qz::kPathSeparator);
    folder = cut == qz::Text::npos ? qz::Text(u".") : folder.substr(0, cut);
    return qz::ToUtf8(qz::JoinPath(folder, file));
}

// One my_dll_ZoneSet call under its session; the exit status it leaves.
int Call(Library& lib, const Action& call) {
    // A script that does not parse: the library said why; nothing is called.
    if (call.play && !lib.play(call.scriptText.c_str())) return 2;
    std::int32_t confirmed = lib.zoneSet(call.hasPath && !call.null ? call.path.c_str() : nullptr);
    std::printf("my_dll_ZoneSet: %d\n", confirmed);
    std::vector<char16_t> name(32768, u'\0');
    std::int32_t named = lib.getName(name.data());
    std::printf("my_dll_GetZoneFileName: %d %s\n", named, qz::ToUtf8Lossy(name.data()).c_str());
    int status = 0;
    try {
        if (named) PrintZoneFile(name.data());
    } catch (const Failure& f) {
        status = f.status;
    }
    if (call.play && !lib.play(nullptr)) status = 2;
    return status;
}

int Host(int argc, char** argv) {
    Options o = ParseArguments(Arguments(argc, argv));
    if (o.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    // Every file name and script is checked before the library is loaded.
    for (Action& a : o.actions) {
        if (a.play) a.scriptText = ReadScript(a.script);
        if (a.hasPath && !a.null) a.path = FileName(a.zoneFile);
    }
    Library lib(o.library.empty() ? DefaultLibrary() : o.library);
    lib.init();
    int calls = 0;
    for (const Action& a : o.actions) {
        if (a.release) {
            lib.release();
            std::printf("my_dll_Release\n");
            continue;
        }
        if (o.calls) std::printf("call %d\n", ++calls);
        if (int status = Call(lib, a); status != 0) return status;
    }
    return 0;
}

int Run(int argc, char** argv) {
    try {
        return Host(argc, argv);
    } catch (const Failure& f) {
        return f.status;
    }
}

}  // namespace

int main(int argc, char** argv) {
    return tool::Main("quarn-host", Run, argc, argv);
}
