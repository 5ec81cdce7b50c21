// The R-X plots of several zones side by side in one PNG file.
#pragma once

#include <string>
#include <vector>

#include "gfx/canvas.h"
#include "records/pict.h"

namespace quarnz {

// The graph editor's plot placeholder is 240 x 173 dialog units; its dialog
// font's base units are 6 x 12 pixels, and dialog units map to pixels as
// MapDialogRect does (x * 6 / 4, y * 12 / 8, halves rounded up): 360 x 260.
constexpr qz::gfx::Size kDefaultSize{360, 260};

struct PlotPanel {
    qz::Text title;
    std::int32_t mode = 0;
    float zzd1 = 0, zzd2 = 0, zzd3 = 0;
    const qz::PictList* picts = nullptr;
};

// Writes the panels, each `size`, with their titles above them when `titles`;
// failures name `source` or `out` and throw Failure.
void WritePlotImage(const std::vector<PlotPanel>& panels, qz::gfx::Size size, bool titles,
                    const std::string& source, const std::string& out);

}  // namespace quarnz
