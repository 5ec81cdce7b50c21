#include "apps/quarnz/plot_image.h"

#include <algorithm>
#include <string>

#include "apps/quarnz/files.h"
#include "base/pixel_limits.h"
#ifdef _WIN32
#include "gfx/gdi/gdi_canvas.h"
#else
#include "gfx/cairo/raster_cairo.h"
#include "gfx/cairo/vector_cairo.h"
#endif

namespace quarnz {

namespace {

// Real GDI on Windows, its Cairo stand-in elsewhere.
#ifdef _WIN32
using ImageCanvas = qz::gfx::CGdiCanvas;
#else
using ImageCanvas = qz::gfx::CRasterCanvas;
#endif

// Beyond this many pixels a side the image would take gigabytes.
constexpr int kMaxImageSide = 16000;

enum class Format { kPng, kSvg, kPdf };

Format FormatOf(const std::string& path) {
    std::string ext = path.size() >= 4 ? path.substr(path.size() - 4) : "";
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    if (ext == ".png") return Format::kPng;
    if (ext == ".svg") return Format::kSvg;
    if (ext == ".pdf") return Format::kPdf;
    Fail(path, "expected a file name ending in .png, .svg or .pdf");
}

}  // namespace

std::string SizeText(qz::gfx::Size s) {
    return std::to_string(s.cx) + "x" + std::to_string(s.cy);
}

void WritePlotImage(const std::vector<PlotPanel>& panels, const SheetOptions& options, int scale,
                    const std::string& source, const std::string& out) {
    const Format format = FormatOf(out);
    if (format != Format::kPng && scale != 1) Fail("--scale", "only a PNG has pixels to multiply");
    const int factor = std::max(scale, 1);
    const int limit = format == Format::kPng ? kMaxImageSide : int(qz::kPixelLimit);
    const SheetLayout layout = LayOut(panels.size(), options);
    if (format != Format::kPdf && std::max(layout.total.cx, layout.total.cy) > limit / factor) {
        // Name the fewest columns that fit, when any do.
        std::string advice = options.sheet ? "no --columns fits them: use --shown-only or --row"
                                           : "use a smaller --scale or --size";
        SheetOptions other = options;
        for (other.columns = 1; options.sheet && other.columns <= int(panels.size());
             ++other.columns) {
            const qz::gfx::Size s = LayOut(panels.size(), other).total;
            if (std::max(s.cx, s.cy) <= limit / factor) {
                advice = "--columns " + std::to_string(other.columns) +
                         " fits them, or use --shown-only or --row";
                break;
            }
        }
        Fail(source, std::to_string(panels.size()) + " zones make " +
                         (format == Format::kPng ? "an image" : "a drawing") + " of " +
                         SizeText({layout.total.cx * factor, layout.total.cy * factor}) +
                         " pixels, more than " + std::to_string(limit) + " a side; " + advice);
    }
    bool saved = false;
    if (format == Format::kPng && scale == 1) {
        // One unit a pixel: GDI's pixel rules, as the dialogs draw.
        ImageCanvas image(layout.total.cx, layout.total.cy);
        DrawSheet(image, panels, options);
        saved = image.SavePng(out);
    } else {
#ifdef _WIN32
        Fail(out, "SVG, PDF and enlarged PNG are written by the Linux tool only");
#else
        using qz::gfx::CVectorCanvas;
        if (format == Format::kPdf && options.sheet) {
            const PageSetup a4 = A4Pages(panels.size(), options);
            SheetOptions paged = options;
            paged.rowsPerPage = a4.rowsPerPage;
            CVectorCanvas document(kA4Width, kA4Height, a4.pointsPerUnit);
            const int pages = LayOut(panels.size(), paged).pages;
            for (int page = 0; page < pages; ++page) {
                if (page > 0) document.NextPage();
                DrawSheet(document, panels, paged, page);
            }
            saved = document.Save(out);
        } else {
            // A bare plot is a page of its own size.
            CVectorCanvas document(format == Format::kSvg   ? CVectorCanvas::Format::kSvg
                                   : format == Format::kPdf ? CVectorCanvas::Format::kPdf
                                                            : CVectorCanvas::Format::kPng,
                                   layout.total.cx, layout.total.cy, scale);
            DrawSheet(document, panels, options);
            saved = document.Save(out);
        }
#endif
    }
    if (!saved) Fail(out, "cannot be written");
}

}  // namespace quarnz
