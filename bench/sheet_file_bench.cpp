// `quarnz plot` writing a sheet of 100 and of 1,000 zones as SVG, PDF and
// PNG, beside the same primitives written with plain Cairo: each sheet drawn
// straight onto a Cairo surface, a path per drawing call, with no canvas in
// between.  Every figure is a process of its own (the tool, or this program
// as its own child), so its CPU time and peak memory are its alone.
//
//   sheet_file_bench [--columns N]   (default 20: a 1,000-zone PNG fits)
//   sheet_file_bench --zones N FILE  (writes the zone file of N zones it plots)
#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "apps/quarnz/sheet.h"
#include "bench_zones.h"
#include "child_process.h"
#include "gfx/cairo/cairo_paths.h"
#include "gfx/cairo/raster_cairo.h"

namespace {

using namespace qz;

// The primitives as plain Cairo calls: each fill, stroke and label its own.
class CPlainCairo : public gfx::CCanvas {
  public:
    CPlainCairo(cairo_surface_t* surface, int width, int height, double scale)
        : cr_(cairo_create(surface)), size_{width, height} {
        cairo_scale(cr_, scale, scale);
        gfx::SelectStandInFont(cr_, font_);
    }
    ~CPlainCairo() override { cairo_destroy(cr_); }
    CPlainCairo(const CPlainCairo&) = delete;
    CPlainCairo& operator=(const CPlainCairo&) = delete;
    cairo_t* Context() const { return cr_; }

    gfx::Size GetSize() const override { return size_; }
    gfx::Pen SelectPen(const gfx::Pen& pen) override { return std::exchange(pen_, pen); }
    gfx::Brush SelectBrush(const gfx::Brush& brush) override {
        return std::exchange(brush_, brush);
    }
    gfx::Font SelectFont(const gfx::Font& font) override {
        measure_.SelectFont(font);
        gfx::SelectStandInFont(cr_, font);
        return std::exchange(font_, font);
    }
    void SetTransparentText(bool) override {}
    void SetTextColor(gfx::Color color) override { text_ = color; }

    void FillRect(const gfx::Rect& r, const gfx::Brush& brush) override {
        if (brush.style != gfx::Brush::kNull) Fill(r.left, r.top, r.right, r.bottom, brush.color);
    }
    void Draw3dRect(const gfx::Rect& rect, gfx::Color tl, gfx::Color br) override {
        gfx::Draw3dRectBars(rect, tl, br, [this](int l, int t, int r, int b, gfx::Color c) {
            Fill(l, t, r, b, c);
        });
    }
    void Ellipse(int left, int top, int right, int bottom) override {
        if (right - left < 2 || bottom - top < 2) return;
        gfx::EllipseOutline(cr_, left, top, right, bottom, nullptr);
        if (brush_.style != gfx::Brush::kNull) {
            Source(brush_.color);
            cairo_fill_preserve(cr_);
        }
        Stroke();
    }
    void Arc(int left, int top, int right, int bottom, int xs, int ys, int xe, int ye) override {
        if (std::abs(right - left) < 2 || std::abs(bottom - top) < 2) return;
        double rays[2];
        const bool full = gfx::ArcRays(left, top, right, bottom, xs, ys, xe, ye, rays);
        gfx::EllipseOutline(cr_, std::min(left, right), std::min(top, bottom),
                            std::max(left, right), std::max(top, bottom), full ? nullptr : rays);
        Stroke();
    }
    void MoveToEx(int x, int y) override { at_ = {x, y}; }
    void LineTo(int x, int y) override {
        const gfx::Point points[2] = {at_, {x, y}};
        at_ = {x, y};
        Polyline(points, 2);
    }
    void Polyline(const gfx::Point* points, int count) override {
        cairo_new_path(cr_);
        for (int i = 0; i < count; ++i) cairo_line_to(cr_, points[i].x + 0.5, points[i].y + 0.5);
        Stroke();
    }
    void OutText(int x, int y, TextView text) override {
        Source(text_);
        cairo_move_to(cr_, x, y + measure_.Ascent());
        cairo_show_text(cr_, ToUtf8Lossy(text).c_str());
        cairo_new_path(cr_);
    }
    gfx::Size TextExtent(TextView text) override { return measure_.TextExtent(text); }
    bool PushClip(const gfx::Rect& clip, gfx::Point origin) override {
        cairo_save(cr_);
        cairo_rectangle(cr_, clip.left, clip.top, clip.Width(), clip.Height());
        cairo_clip(cr_);
        cairo_translate(cr_, origin.x, origin.y);
        return true;
    }
    void PopClip() override {
        cairo_restore(cr_);
        gfx::SelectStandInFont(cr_, font_);
    }
    std::unique_ptr<gfx::CCanvas> CreateLayer(int, int) override { return nullptr; }
    void BitBlt(int, int, int, int, const gfx::CCanvas&, int, int) override {}

  private:
    void Source(gfx::Color c) { cairo_set_source_rgb(cr_, c.r / 255.0, c.g / 255.0, c.b / 255.0); }
    void Fill(int l, int t, int r, int b, gfx::Color c) {
        cairo_rectangle(cr_, l, t, r - l, b - t);
        Source(c);
        cairo_fill(cr_);
    }
    void Stroke() {
        if (pen_.style == gfx::Pen::kNull) {
            cairo_new_path(cr_);
            return;
        }
        Source(pen_.color);
        cairo_set_line_width(cr_, std::max(pen_.width, 1));
        cairo_stroke(cr_);
    }

    cairo_t* cr_;
    gfx::Size size_;
    gfx::CRasterCanvas measure_{1, 1};
    gfx::Pen pen_;
    gfx::Brush brush_;
    gfx::Font font_;
    gfx::Color text_;
    gfx::Point at_;
};

cairo_status_t Append(void* closure, const unsigned char* data, unsigned int length) {
    auto* out = static_cast<std::FILE*>(closure);
    return std::fwrite(data, 1, length, out) == length ? CAIRO_STATUS_SUCCESS
                                                       : CAIRO_STATUS_WRITE_ERROR;
}

// The child: the zone file's sheet in `format`, written with plain Cairo.
int WritePlain(const std::string& format, const std::string& zoneFile, int columns,
               const std::string& out) {
    CZoneLists lists;
    if (!lists.LoadZoneFile(FromUtf8(zoneFile))) return 2;
    std::vector<PictList> picts(lists.arrZones.size());
    std::vector<quarnz::PlotPanel> panels;
    for (std::size_t i = 0; i < lists.arrZones.size(); ++i) {
        for (const auto& p : lists.arrPicts)
            if (p->strZoneTag.str() == lists.arrZones[i]->strTag.str())
                picts[i].push_back(p->Clone());
        panels.push_back(quarnz::PanelOf(*lists.arrZones[i], &picts[i]));
    }
    quarnz::SheetOptions options;
    options.sheet = true;
    options.columns = columns;
    std::FILE* file = std::fopen(out.c_str(), "wb");
    if (!file) return 2;
    cairo_surface_t* surface = nullptr;
    if (format == "pdf") {
        const quarnz::PageSetup a4 = quarnz::A4Pages(panels.size(), options);
        options.rowsPerPage = a4.rowsPerPage;
        surface =
            cairo_pdf_surface_create_for_stream(Append, file, quarnz::kA4Width, quarnz::kA4Height);
        const quarnz::SheetLayout layout = quarnz::LayOut(panels.size(), options);
        CPlainCairo page(surface, layout.total.cx, layout.total.cy, a4.pointsPerUnit);
        for (int i = 0; i < layout.pages; ++i) {
            quarnz::DrawSheet(page, panels, options, i);
            cairo_show_page(page.Context());
        }
    } else {
        const gfx::Size total = quarnz::LayOut(panels.size(), options).total;
        surface = format == "svg"
                      ? cairo_svg_surface_create_for_stream(Append, file, total.cx, total.cy)
                      : cairo_image_surface_create(CAIRO_FORMAT_RGB24, total.cx, total.cy);
        CPlainCairo sheet(surface, total.cx, total.cy, 1);
        quarnz::DrawSheet(sheet, panels, options);
    }
    if (format == "png") cairo_surface_write_to_png_stream(surface, Append, file);
    cairo_surface_finish(surface);
    const bool ok = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return std::fclose(file) == 0 && ok ? 0 : 2;
}

// Circles, quadrilaterals and lenses in turn.
CZoneLists Zones(int count) {
    return qzbench::MakeZones(count, [](int i) {
        return i % 3 == 0   ? std::vector<int>{kPictMho}
               : i % 3 == 1 ? std::vector<int>{kPictLine, kPictLine, kPictLine, kPictLine}
                            : std::vector<int>{kPictLens};
    });
}

struct Figure {
    double cpuSeconds = 0;
    double peakMiB = 0;
    double kib = 0;
};

// Runs `args` as a child; its CPU time, peak resident memory and output size.
Figure Run(const std::vector<std::string>& args, const std::string& out) {
    qzbench::ChildRun run;
    try {
        run = qzbench::RunChild(args);
    } catch (const std::exception&) {
        std::fprintf(stderr, "sheet_file_bench: %s failed\n", args[1].c_str());
        std::exit(1);
    }
    Figure f;
    f.cpuSeconds = run.cpuSeconds;
    f.peakMiB = double(run.peakKiB) / 1024;
    f.kib = double(std::filesystem::file_size(out)) / 1024;
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 6 && std::string(argv[1]) == "--plain")
        return WritePlain(argv[2], argv[3], std::atoi(argv[4]), argv[5]);
    if (argc == 4 && std::string(argv[1]) == "--zones")
        return Zones(std::atoi(argv[2])).SaveZoneFile(FromUtf8(argv[3])) ? 0 : 1;
    int columns = 20;
    if (argc == 3 && std::string(argv[1]) == "--columns") columns = std::atoi(argv[2]);
    if (columns < 1) {
        std::fprintf(stderr, "usage: sheet_file_bench [--columns N]\n");
        return 1;
    }
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();
    char dirTemplate[] = "/tmp/sheet_file_bench.XXXXXX";
    if (!mkdtemp(dirTemplate)) return 1;
    const std::filesystem::path dir = dirTemplate;

    const int counts[2] = {100, 1000};
    const char* formats[3] = {"svg", "pdf", "png"};
    // [zones][format][0 ours, 1 plain]
    std::map<int, std::map<std::string, Figure[2]>> figures;
    for (int zones : counts) {
        const std::string zoneFile = (dir / (std::to_string(zones) + ".zone")).string();
        Zones(zones).SaveZoneFile(FromUtf8(zoneFile));
        for (const char* format : formats) {
            const std::string ours = (dir / ("ours." + std::string(format))).string();
            const std::string plain = (dir / ("plain." + std::string(format))).string();
            figures[zones][format][0] = Run({QZ_QUARNZ_PATH, "plot", zoneFile, "--columns",
                                             std::to_string(columns), "-o", ours},
                                            ours);
            figures[zones][format][1] =
                Run({self, "--plain", format, zoneFile, std::to_string(columns), plain}, plain);
        }
    }
    std::filesystem::remove_all(dir);

    std::printf("Sheets at --columns %d; each figure a process of its own.\n\n", columns);
    std::printf("%-6s %-5s %12s %12s %6s %10s %10s %6s %10s %10s %6s\n", "zones", "file",
                "ours KiB", "Cairo KiB", "ratio", "ours s", "Cairo s", "ratio", "ours MiB",
                "Cairo MiB", "ratio");
    for (int zones : counts)
        for (const char* format : formats) {
            const Figure* f = figures[zones][format];
            std::printf("%-6d %-5s %12.0f %12.0f %6.2f %10.2f %10.2f %6.2f %10.1f %10.1f %6.2f\n",
                        zones, format, f[0].kib, f[1].kib, f[0].kib / f[1].kib, f[0].cpuSeconds,
                        f[1].cpuSeconds, f[0].cpuSeconds / f[1].cpuSeconds, f[0].peakMiB,
                        f[1].peakMiB, f[0].peakMiB / f[1].peakMiB);
        }
    std::printf("\n1,000 zones / 100 zones (ten times the zones):\n");
    std::printf("%-5s %10s %10s %10s %10s\n", "file", "ours s", "Cairo s", "ours MiB", "Cairo MiB");
    for (const char* format : formats) {
        const Figure* a = figures[100][format];
        const Figure* b = figures[1000][format];
        std::printf("%-5s %10.2f %10.2f %10.2f %10.2f\n", format, b[0].cpuSeconds / a[0].cpuSeconds,
                    b[1].cpuSeconds / a[1].cpuSeconds, b[0].peakMiB / a[0].peakMiB,
                    b[1].peakMiB / a[1].peakMiB);
    }
    return 0;
}
