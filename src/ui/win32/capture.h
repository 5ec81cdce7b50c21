// Pictures of what the screen shows, for screenshots and for tests that
// look at the real windows.
#pragma once

#include <windows.h>

#include <memory>

#include "gfx/gdi/gdi_canvas.h"

namespace qz::ui::win32 {

// The screen's pixels in a rectangle of screen coordinates, the windows on
// top included.
std::unique_ptr<gfx::CGdiCanvas> CaptureScreen(const RECT& rect);

// A window as it shows, with the pop-up menu open over it when there is one.
std::unique_ptr<gfx::CGdiCanvas> CaptureWindow(HWND hwnd);

}  // namespace qz::ui::win32
