// The resources' bitmaps as the platform's bitmaps.
#pragma once

#include <windows.h>

namespace qz::ui::win32 {

// A bitmap of the resources (pixels or a picture drawn from its strokes),
// null for an unknown id.  The caller deletes it.
HBITMAP LoadResourceBitmap(int id);

}  // namespace qz::ui::win32
