// The functions the host calls, and the one library object behind them.
#include <cstdint>
#include <cstdio>
#include <exception>

#include "app/app.h"
#include "app/backends.h"
#include "app/zone_set_call.h"

#ifdef _WIN32
#define QZ_EXPORT extern "C" __declspec(dllexport)
#else
#define QZ_EXPORT extern "C" __attribute__((visibility("default")))
#endif

#ifdef _WIN32
namespace __gnu_cxx {
// The C++ runtime's own release of its emergency exception buffer.
void __freeres();
}  // namespace __gnu_cxx
#endif

namespace {

#ifdef _WIN32
// The DLL carries its own C++ runtime, whose emergency exception buffer (19
// KB in a 32-bit process, 73 KB in a 64-bit one) nothing else frees: a host
// that loads and unloads the library for each test would lose one every
// time.  Defined first so that it goes last, after the library object and
// the backends.
struct RuntimeRelease {
    ~RuntimeRelease() { __gnu_cxx::__freeres(); }
} runtimeRelease;
#endif

// Constructed when the library is loaded, destroyed when it is unloaded; its
// constructor throws nothing.
qz::CQuarnZGraphApp theApp;

// Nothing may be thrown into the host, which is C: a failure the dialogs did
// not report ends the call with its plain "nothing done" result.
template <class F>
auto Guarded(F call, decltype(call()) failed) noexcept {
    try {
        return call();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "QuarnZGraph: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "QuarnZGraph: unknown failure\n");
    }
    return failed;
}

}  // namespace

QZ_EXPORT void my_dll_Init() {
    Guarded([] { return theApp.Init(), 0; }, 0);
}

QZ_EXPORT std::int32_t my_dll_ZoneSet(const char16_t* zoneFile) {
    return Guarded(
        [&] {
            qz::ui::UseBackend use(qz::app::UserInterface());
            return qz::RunZoneSet(theApp, zoneFile);
        },
        0);
}

QZ_EXPORT std::int32_t my_dll_GetZoneFileName(char16_t* buffer) {
    return Guarded([&] { return buffer ? theApp.GetZoneFileName(buffer) : 0; }, 0);
}

QZ_EXPORT void my_dll_Release() {
    Guarded([] { return theApp.Release(), 0; }, 0);
}

// Automation, not one of the host's functions: the user's actions in the
// dialogs of the following my_dll_ZoneSet calls come from a session script.
// With null, ends the session and tells whether it played without error.
QZ_EXPORT std::int32_t quarnz_PlaySession(const char16_t* scriptText) {
    return Guarded(
        [&] {
            if (!scriptText) return qz::app::FinishSession() ? 1 : 0;
            try {
                qz::app::PlaySession(qz::TextView(scriptText));
            } catch (const qz::session::SessionError& e) {
                std::fprintf(stderr, "session: %s\n", e.what());
                return 0;
            }
            return 1;
        },
        0);
}
