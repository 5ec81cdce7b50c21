// The functions the host calls, and the one library object behind them.
#include <cstdint>
#include <cstdio>
#include <exception>

#include "dialogs/zoneset/zone_set_call.h"
#include "frame/app.h"
#include "ui/headless/headless.h"

#ifdef _WIN32
#define QZ_EXPORT extern "C" __declspec(dllexport)
#else
#define QZ_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {
// Constructed when the library is loaded, destroyed when it is unloaded.
qz::CQuarnZGraphApp theApp;
}  // namespace

// Nothing may be thrown into the host, which is C: a failure the dialogs did
// not report ends the call with its plain "nothing done" result.
template <class F>
auto Guarded(F call, decltype(call()) failed) noexcept {
    try {
        return call();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "QuarnZGraph: %s\n", e.what());
    } catch (...) {
    }
    return failed;
}

QZ_EXPORT void my_dll_Init() {
    Guarded([] { return theApp.Init(), 0; }, 0);
}

QZ_EXPORT std::int32_t my_dll_ZoneSet(const char16_t* zoneFile) {
    return Guarded(
        [&] {
            // No screen here: what the user would see goes to standard error.
            qz::ui::headless::DefaultBackend().SetTranscript(stderr);
            return qz::RunZoneSet(theApp, zoneFile);
        },
        0);
}

QZ_EXPORT std::int32_t my_dll_GetZoneFileName(char16_t* buffer) {
    return theApp.GetZoneFileName(buffer);
}

QZ_EXPORT void my_dll_Release() {
    Guarded([] { return theApp.Release(), 0; }, 0);
}

// Automation, not one of the host's functions: the user's actions in the
// dialogs of the following my_dll_ZoneSet calls come from a session script.
// With null, ends the session and tells whether it played without error.
QZ_EXPORT std::int32_t quarnz_PlaySession(const char16_t* scriptText) {
    auto& backend = qz::ui::headless::DefaultBackend();
    backend.SetTranscript(stderr);
    if (!scriptText) return backend.Finish() ? 1 : 0;
    backend.Reset();
    try {
        backend.Play(qz::TextView(scriptText));
    } catch (const qz::ui::SessionError& e) {
        std::fprintf(stderr, "session: %s\n", e.what());
        return 0;
    }
    return 1;
}
