#include "app/backends.h"

#include <cstdio>

#include "ui/headless/headless.h"
#ifdef _WIN32
#include "ui/win32/win32_backend.h"
#endif

namespace qz::app {

namespace {

ui::headless::HeadlessBackend& Headless() {
    static ui::headless::HeadlessBackend backend;
    // No screen here: what the user would see goes to standard error.
    backend.SetTranscript(stderr);
    return backend;
}

// Whether a session script plays the user.
bool gPlaying = false;

#ifdef _WIN32
ui::win32::Win32Backend& Windows() {
    static ui::win32::Win32Backend backend = [] {
        // The windows belong to this library's module.
        HMODULE self = nullptr;
        GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCWSTR>(&gPlaying), &self);
        return ui::win32::Win32Backend(self);
    }();
    return backend;
}
#endif

}  // namespace

ui::Backend& UserInterface() {
#ifdef _WIN32
    // A person at the screen, unless a script plays the user.
    if (!gPlaying) return Windows();
#endif
    return Headless();
}

void PlaySession(TextView script) {
    Headless().Reset();
    Headless().Play(script);
    gPlaying = true;
}

bool FinishSession() {
    gPlaying = false;
    return Headless().Finish();
}

}  // namespace qz::app
