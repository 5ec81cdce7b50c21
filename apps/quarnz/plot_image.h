// Writing R-X plots to a file, by its extension: PNG, SVG or PDF.
#pragma once

#include <string>
#include <vector>

#include "apps/quarnz/sheet.h"

namespace quarnz {

// A size as the messages write it: "640x480".
std::string SizeText(qz::gfx::Size s);

// Writes the panels as `options` lays them out, a PNG at `scale` times the
// pixels; failures name `source` or `out` and throw Failure.
void WritePlotImage(const std::vector<PlotPanel>& panels, const SheetOptions& options, int scale,
                    const std::string& source, const std::string& out);

}  // namespace quarnz
