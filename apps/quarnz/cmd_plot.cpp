// quarnz plot: the R-X plot of each zone of a zone parameter file, as PNG.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "apps/quarnz/commands.h"
#include "apps/quarnz/files.h"
#include "apps/quarnz/plot_image.h"
#include "plot/rx_plot.h"
#ifdef _WIN32
#include "gfx/gdi/gdi_canvas.h"
#else
#include "gfx/cairo/raster_cairo.h"
#endif

namespace quarnz {

namespace {

// Real GDI on Windows, its Cairo stand-in elsewhere.
#ifdef _WIN32
using ImageCanvas = qz::gfx::CGdiCanvas;
#else
using ImageCanvas = qz::gfx::CRasterCanvas;
#endif

// The graph editor's plot placeholder is 240 x 173 dialog units; its dialog
// font's base units are 6 x 12 pixels, and dialog units map to pixels as
// MapDialogRect does (x * 6 / 4, y * 12 / 8, halves rounded up): 360 x 260.
// Smaller placeholders leave no plot rectangle; larger ones only waste memory.
constexpr int kMinSide = 80, kMaxSide = 4000;
constexpr int kTitleHeight = 20;

qz::gfx::Size ParseSize(const std::string& text) {
    int w = 0, h = 0;
    char x = 0, rest = 0;
    if (std::sscanf(text.c_str(), "%d%c%d%c", &w, &x, &h, &rest) != 3 || (x != 'x' && x != 'X') ||
        w < kMinSide || w > kMaxSide || h < kMinSide || h > kMaxSide)
        Fail("--size " + text, "expected WxH, each from " + std::to_string(kMinSide) + " to " +
                                   std::to_string(kMaxSide) + " pixels");
    return {w, h};
}

struct Panel {
    const qz::CZone* zone;
    qz::PictList picts;  // copies of the zone's elements
};

void Plot(const std::string& file, const std::string& outPath, const std::string& tag,
          const std::string& sizeText) {
    qz::gfx::Size size = sizeText.empty() ? kDefaultSize : ParseSize(sizeText);
    qz::CZoneLists lists = ReadZoneFile(file);

    qz::Text wantedTag;
    if (!tag.empty()) {
        try {
            wantedTag = qz::FromUtf8(tag);
        } catch (const qz::TextError& e) {
            Fail("--zone", e.what());
        }
    }
    std::vector<Panel> panels;
    for (const auto& zone : lists.arrZones) {
        if (!tag.empty() && zone->strTag.str() != wantedTag) continue;
        Panel p{zone.get(), {}};
        for (const auto& pict : lists.arrPicts)
            if (pict->strZoneTag.str() == zone->strTag.str()) p.picts.push_back(pict->Clone());
        panels.push_back(std::move(p));
        if (!tag.empty()) break;
    }
    if (panels.empty()) Fail(file, tag.empty() ? "no zones to plot" : "no zone tagged " + tag);
    std::vector<PlotPanel> out;
    for (const Panel& p : panels)
        out.push_back({p.zone->strTag.str(), p.zone->Zzd_Mode, p.zone->Zzd_1, p.zone->Zzd_2,
                       p.zone->Zzd_3, &p.picts});
    // One zone alone is its plot; several stand side by side under their tags.
    WritePlotImage(out, size, tag.empty(), file, outPath);
}

void AddPlot(CLI::App& app) {
    struct Options {
        std::string file, out, zone, size;
    };
    auto opt = std::make_shared<Options>();
    CLI::App* cmd =
        app.add_subcommand("plot", "Draw the R-X plot of the zones of a zone parameter file");
    cmd->add_option("FILE", opt->file, "the zone parameter file")->required();
    cmd->add_option("-o,--output", opt->out, "the PNG file to write")->required();
    cmd->add_option("--zone", opt->zone, "plot only the first zone with this tag");
    cmd->add_option("--size", opt->size,
                    "the plot's size in pixels, WxH (default: the graph editor's, 360x260)");
    cmd->callback([opt] { Plot(opt->file, opt->out, opt->zone, opt->size); });
}

const bool registered = RegisterCommand({AddPlot});

}  // namespace

void WritePlotImage(const std::vector<PlotPanel>& panels, qz::gfx::Size size, bool titles,
                    const std::string& source, const std::string& out) {
    if (panels.size() > std::size_t(kMaxSide * 4 / size.cx))
        Fail(source,
             std::to_string(panels.size()) + " zones are too many for one image; use --zone");
    const int top = titles ? kTitleHeight : 0;
    ImageCanvas image(size.cx * int(panels.size()), top + size.cy);
    image.FillRect({0, 0, image.GetSize().cx, top}, qz::CRxPlot::kMarginBrush);
    image.SetTransparentText(true);
    image.SetTextColor(qz::gfx::Rgb(0, 0, 0));
    for (std::size_t i = 0; i < panels.size(); ++i) {
        const PlotPanel& p = panels[i];
        const int left = size.cx * int(i);
        qz::CRxPlot plot;
        plot.SetPlaceholder(image, size);
        plot.Zzd_Mode = p.mode;
        plot.Zzd_1 = p.zzd1;
        plot.Zzd_2 = p.zzd2;
        plot.Zzd_3 = p.zzd3;
        plot.pElements = p.picts;
        plot.Refresh();
        plot.Paint(image, left, top);
        if (top > 0) {
            qz::gfx::Size e = image.TextExtent(p.title);
            image.OutText(left + (size.cx - e.cx) / 2, (top - e.cy) / 2, p.title);
        }
    }
    if (!image.SavePng(out)) Fail(out, "cannot be written");
}

}  // namespace quarnz

// Fontconfig keeps a few blocks unreachable for the life of the process once
// the label face has been looked up; they are not ours to free, and the tool's
// standard error stays for its own messages.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_options() {
    return "print_suppressions=0";
}
