// The functions the host calls, and the one library object behind them.
#include <cstdint>

#include "frame/app.h"

#ifdef _WIN32
#define QZ_EXPORT extern "C" __declspec(dllexport)
#else
#define QZ_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {
// Constructed when the library is loaded, destroyed when it is unloaded.
qz::CQuarnZGraphApp theApp;
}  // namespace

QZ_EXPORT void my_dll_Init() {
    theApp.Init();
}

QZ_EXPORT std::int32_t my_dll_GetZoneFileName(char16_t* buffer) {
    return theApp.GetZoneFileName(buffer);
}

QZ_EXPORT void my_dll_Release() {
    theApp.Release();
}
