#include "ui/win32/capture.h"

#include <algorithm>

namespace qz::ui::win32 {

std::unique_ptr<gfx::CGdiCanvas> CaptureScreen(const RECT& rect) {
    auto canvas = std::make_unique<gfx::CGdiCanvas>(rect.right - rect.left, rect.bottom - rect.top);
    HDC screen = GetDC(nullptr);
    BitBlt(canvas->Dc(), 0, 0, rect.right - rect.left, rect.bottom - rect.top, screen, rect.left,
           rect.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    return canvas;
}

std::unique_ptr<gfx::CGdiCanvas> CaptureWindow(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    // The pop-up menus' window class.
    if (HWND menu = FindWindowW(L"#32768", nullptr); menu && IsWindowVisible(menu)) {
        RECT m{};
        GetWindowRect(menu, &m);
        r = {std::min(r.left, m.left), std::min(r.top, m.top), std::max(r.right, m.right),
             std::max(r.bottom, m.bottom)};
    }
    return CaptureScreen(r);
}

}  // namespace qz::ui::win32
