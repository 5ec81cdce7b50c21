// Loads and unloads QuarnZGraph.dll many times, as a host that loads it for
// each test does, with my_dll_Init and my_dll_Release between (and with
// --session SCRIPT [ZONEFILE] also one my_dll_ZoneSet played by the script),
// and beside it in the same run a plain DLL of the same compiler runtime
// (load_unload_plain.dll).  Prints what each cycle leaves behind in the
// process: private bytes, working set, TLS indexes, GDI and USER objects.
// Exit status 1 when our DLL grows the private bytes by more than the plain
// DLL plus --margin bytes a cycle (or by more than --limit bytes), leaves GDI
// or USER objects, or leaves a window class registered.  The TLS indexes are the runtime's: the
// 32-bit one takes one at every load, the 64-bit one at the first exception or guarded static of a
// load, and none is ever given back.  A plain measuring program for Windows (scripts/windows-test
// runs it under Wine).
//   load_unload [--cycles N] [--margin BYTES] [--limit BYTES]
//               [--session SCRIPT [ZONEFILE]]
#include <windows.h>
// After windows.h.
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ui/win32/dialog_template.h"
#include "ui/win32/win32_backend.h"

namespace {

struct Usage {
    double privateBytes = 0, workingSet = 0, tls = 0, gdi = 0, user = 0;
};

// The committed private pages, which is what PrivateUsage counts on Windows;
// Wine 8 leaves PrivateUsage 0.
double CommittedPrivate() {
    double total = 0;
    MEMORY_BASIC_INFORMATION m;
    for (auto* p = static_cast<char*>(nullptr); VirtualQuery(p, &m, sizeof m);) {
        if (m.State == MEM_COMMIT && m.Type == MEM_PRIVATE) total += double(m.RegionSize);
        char* next = static_cast<char*>(m.BaseAddress) + m.RegionSize;
        if (next <= p) break;
        p = next;
    }
    return total;
}

// The TLS indexes still free: a process has 1088, and a runtime that cannot
// get one aborts.
int FreeTlsIndexes() {
    std::vector<DWORD> taken;
    for (DWORD i; (i = TlsAlloc()) != TLS_OUT_OF_INDEXES;) taken.push_back(i);
    for (DWORD i : taken) TlsFree(i);
    return int(taken.size());
}

Usage Now() {
    PROCESS_MEMORY_COUNTERS_EX m{};
    m.cb = sizeof m;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&m),
                         sizeof m);
    return {m.PrivateUsage ? double(m.PrivateUsage) : CommittedPrivate(), double(m.WorkingSetSize),
            -double(FreeTlsIndexes()), double(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)),
            double(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS))};
}

std::wstring Wide(const std::string& s) {
    std::wstring w(s.size() + 1, L'\0');
    int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, w.data(), int(w.size()));
    w.resize(n > 0 ? std::size_t(n) - 1 : 0);
    return w;
}

// Keeps the system DLLs that `dll` imports loaded for the whole run, as a
// host has them: what is measured is the DLL, not the loading of those.
void HoldImports(const wchar_t* dll) {
    HMODULE image = LoadLibraryExW(dll, nullptr, DONT_RESOLVE_DLL_REFERENCES);
    if (!image) return;
    auto* base = reinterpret_cast<const unsigned char*>(image);
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    auto* imports = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
    for (; dir.VirtualAddress && imports->Name; ++imports)
        LoadLibraryA(reinterpret_cast<const char*>(base + imports->Name));
    FreeLibrary(image);
}

struct Run {
    const wchar_t* dll;
    std::string script;     // played at one my_dll_ZoneSet, when not empty
    std::wstring zoneFile;  // none when empty
};

template <class F>
F* Entry(HMODULE m, const char* name) {
    return reinterpret_cast<F*>(reinterpret_cast<void*>(GetProcAddress(m, name)));
}

// The window classes of the library still registered after it was unloaded
// from `module`.
int ClassesLeft(HMODULE module) {
    WNDCLASSEXW c{};
    c.cbSize = sizeof c;
    HINSTANCE instance = module;
    return int(GetClassInfoExW(instance, qz::ui::win32::kGridClass, &c) != 0) +
           int(GetClassInfoExW(instance, qz::ui::win32::kIdleOwnerClass, &c) != 0);
}

// One load, the host's calls, one unload; false when something failed.
bool Cycle(const Run& run, int& classesLeft) {
    HMODULE m = LoadLibraryW(run.dll);
    if (!m) return false;
    bool ok = true;
    if (auto init = Entry<void()>(m, "my_dll_Init")) {
        init();
        if (!run.script.empty()) {
            auto play = Entry<int(const wchar_t*)>(m, "quarnz_PlaySession");
            auto zoneSet = Entry<int(const wchar_t*)>(m, "my_dll_ZoneSet");
            ok = play && zoneSet && play(Wide(run.script).c_str());
            if (ok) zoneSet(run.zoneFile.empty() ? nullptr : run.zoneFile.c_str());
            ok = ok && play(nullptr);
        }
        if (auto release = Entry<void()>(m, "my_dll_Release")) release();
    }
    ok = FreeLibrary(m) && ok;
    classesLeft = std::max(classesLeft, ClassesLeft(m));
    return ok;
}

// Growth per cycle over `cycles`, after a few cycles that let the system
// DLLs make what they make once.
bool Measure(const Run& run, int cycles, Usage& perCycle, int& classesLeft) {
    for (int i = 0; i < 5; ++i)
        if (!Cycle(run, classesLeft)) return false;
    Usage before = Now();
    for (int i = 0; i < cycles; ++i)
        if (!Cycle(run, classesLeft)) return false;
    Usage after = Now();
    perCycle = {(after.privateBytes - before.privateBytes) / cycles,
                (after.workingSet - before.workingSet) / cycles, (after.tls - before.tls) / cycles,
                (after.gdi - before.gdi) / cycles, (after.user - before.user) / cycles};
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int cycles = 200;
    double margin = 1024, limit = -1;
    Run ours{L"QuarnZGraph.dll", {}, {}};
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--cycles") && i + 1 < argc) {
            cycles = std::max(1, std::atoi(argv[++i]));
        } else if (!std::strcmp(argv[i], "--margin") && i + 1 < argc) {
            margin = std::atof(argv[++i]);
        } else if (!std::strcmp(argv[i], "--limit") && i + 1 < argc) {
            limit = std::atof(argv[++i]);
        } else if (!std::strcmp(argv[i], "--session") && i + 1 < argc) {
            const char* script = argv[++i];
            std::ifstream in(script, std::ios::binary);
            ours.script.assign(std::istreambuf_iterator<char>(in), {});
            if (ours.script.empty()) {
                std::fprintf(stderr, "load_unload: cannot read %s\n", script);
                return 2;
            }
            if (i + 1 < argc && std::strncmp(argv[i + 1], "--", 2)) ours.zoneFile = Wide(argv[++i]);
        } else {
            std::fprintf(stderr,
                         "usage: load_unload [--cycles N] [--margin BYTES] [--limit BYTES] "
                         "[--session SCRIPT [ZONEFILE]]\n");
            return 2;
        }
    }
    // The sessions' transcripts would bury the figures.
    if (!ours.script.empty() && !std::freopen("NUL", "w", stderr)) return 2;
    const Run plain{L"load_unload_plain.dll", {}, {}};
    HoldImports(ours.dll);
    HoldImports(plain.dll);
    Usage a, b;
    int plainClasses = 0, classes = 0;
    if (!Measure(plain, cycles, a, plainClasses) || !Measure(ours, cycles, b, classes)) {
        std::printf("load_unload: a load, a call, a session or an unload failed\n");
        return 2;
    }
    std::printf("%d load/unload cycles%s, growth per cycle:\n", cycles,
                ours.script.empty() ? "" : " (one played my_dll_ZoneSet each)");
    std::printf("  %-22s %10s %10s %7s %6s %6s\n", "", "private B", "working B", "TLS idx", "GDI",
                "USER");
    auto row = [](const char* name, const Usage& u) {
        std::printf("  %-22s %10.0f %10.0f %7.2f %6.2f %6.2f\n", name, u.privateBytes, u.workingSet,
                    u.tls, u.gdi, u.user);
    };
    row("load_unload_plain.dll", a);
    row("QuarnZGraph.dll", b);
    if (a.privateBytes > 0)
        std::printf("  QuarnZGraph.dll / plain: %.2f of the private bytes\n",
                    b.privateBytes / a.privateBytes);
    std::printf("  window classes left registered after an unload: %d\n", classes);
    double bound = a.privateBytes + margin;
    if (limit >= 0) bound = std::min(bound, limit);
    bool within = b.privateBytes <= bound && b.gdi <= 0 && b.user <= 0 && classes == 0;
    std::printf(
        "%s: private bytes at most %.0f (the plain DLL's + %.0f%s), no GDI or USER "
        "objects, no window class left\n",
        within ? "within" : "OVER", bound, margin, limit >= 0 ? ", or --limit" : "");
    return within ? 0 : 1;
}
