// The GDI canvas under Windows (or Wine): its pixel rules, its PNG files, and
// the R-X plot drawn with it beside the same plot drawn by the raster canvas
// on Linux.
#ifdef _WIN32
#include <gtest/gtest.h>
#include <objbase.h>
#include <wincodec.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gfx/gdi/gdi_canvas.h"
#include "plot/rx_plot.h"
#include "test_util.h"
#include "zones/zone_list.h"

using namespace qz;
using namespace qz::gfx;

namespace {

constexpr Color kWhite = Rgb(255, 255, 255);
constexpr Color kBlue = Rgb(0, 0, 255);

struct Image {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, top-down rows
    Color At(int x, int y) const {
        std::uint32_t v = pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)];
        return Rgb(int(v >> 16 & 0xFF), int(v >> 8 & 0xFF), int(v & 0xFF));
    }
};

template <class T>
struct Com {
    T* p = nullptr;
    ~Com() {
        if (p) p->Release();
    }
};

// A PNG file decoded by the imaging component; empty when it does not decode.
Image LoadPng(const std::filesystem::path& path) {
    Image image;
    Com<IWICImagingFactory> factory;
    Com<IWICBitmapDecoder> decoder;
    Com<IWICBitmapFrameDecode> frame;
    Com<IWICFormatConverter> converter;
    UINT w = 0, h = 0;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void**>(&factory.p))) ||
        FAILED(factory.p->CreateDecoderFromFilename(path.wstring().c_str(), nullptr, GENERIC_READ,
                                                    WICDecodeMetadataCacheOnDemand, &decoder.p)) ||
        FAILED(decoder.p->GetFrame(0, &frame.p)) || FAILED(frame.p->GetSize(&w, &h)) ||
        FAILED(factory.p->CreateFormatConverter(&converter.p)) ||
        FAILED(converter.p->Initialize(frame.p, GUID_WICPixelFormat32bppBGR,
                                       WICBitmapDitherTypeNone, nullptr, 0,
                                       WICBitmapPaletteTypeCustom)))
        return image;
    std::vector<std::uint32_t> pixels(std::size_t(w) * h);
    if (FAILED(converter.p->CopyPixels(nullptr, w * 4, UINT(pixels.size() * 4),
                                       reinterpret_cast<BYTE*>(pixels.data()))))
        return image;
    for (auto& p : pixels) p &= 0xFFFFFF;
    image.width = int(w);
    image.height = int(h);
    image.pixels = std::move(pixels);
    return image;
}

Image Snapshot(const CGdiCanvas& canvas) {
    Image image{canvas.GetSize().cx, canvas.GetSize().cy, {}};
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            Color c = canvas.Pixel(x, y);
            image.pixels.push_back(std::uint32_t(c.r) << 16 | std::uint32_t(c.g) << 8 | c.b);
        }
    return image;
}

// Pixels of `a` inside `box` whose colour `b` has nowhere within one pixel,
// as "x,y" texts (at most a few, for the failure message).
std::vector<std::string> Unmatched(const Image& a, const Image& b, const Rect& box, int& count) {
    std::vector<std::string> out;
    count = 0;
    for (int y = box.top; y < box.bottom; ++y) {
        for (int x = box.left; x < box.right; ++x) {
            Color c = a.At(x, y);
            bool found = false;
            for (int dy = -1; dy <= 1 && !found; ++dy)
                for (int dx = -1; dx <= 1 && !found; ++dx) {
                    int nx = x + dx, ny = y + dy;
                    found =
                        nx >= 0 && ny >= 0 && nx < b.width && ny < b.height && b.At(nx, ny) == c;
                }
            if (!found && ++count <= 5) out.push_back(std::to_string(x) + "," + std::to_string(y));
        }
    }
    return out;
}

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

TEST(GdiCanvas, PixelRulesLayersAndPng) {
    CGdiCanvas canvas(40, 30);
    EXPECT_EQ(canvas.Pixel(5, 5), Rgb(0, 0, 0));  // a new bitmap is black
    canvas.FillRect({0, 0, 40, 30}, {Brush::kSolid, kWhite});
    // Boxes exclude their right and bottom edges; lines their last pixel.
    canvas.FillRect({2, 2, 5, 4}, {Brush::kSolid, kBlue});
    EXPECT_EQ(canvas.Pixel(4, 3), kBlue);
    EXPECT_EQ(canvas.Pixel(5, 3), kWhite);
    EXPECT_EQ(canvas.Pixel(4, 4), kWhite);
    canvas.SelectPen({Pen::kSolid, 1, Rgb(255, 0, 0)});
    canvas.MoveToEx(10, 20);
    canvas.LineTo(20, 20);
    EXPECT_EQ(canvas.Pixel(10, 20), Rgb(255, 0, 0));
    EXPECT_EQ(canvas.Pixel(19, 20), Rgb(255, 0, 0));
    EXPECT_EQ(canvas.Pixel(20, 20), kWhite);
    // The bevel's far corners take the bottom-right colour.
    canvas.Draw3dRect({25, 2, 35, 12}, Rgb(160, 160, 160), Rgb(0, 128, 0));
    EXPECT_EQ(canvas.Pixel(25, 2), Rgb(160, 160, 160));
    EXPECT_EQ(canvas.Pixel(34, 2), Rgb(0, 128, 0));
    EXPECT_EQ(canvas.Pixel(25, 11), Rgb(0, 128, 0));
    EXPECT_EQ(canvas.Pixel(30, 6), kWhite);
    // Selecting hands back what was selected.
    EXPECT_EQ(canvas.SelectPen(kNullPen), (Pen{Pen::kSolid, 1, Rgb(255, 0, 0)}));
    EXPECT_EQ(canvas.SelectPen(kNullPen), kNullPen);
    Size text = canvas.TextExtent(u"R(Ω)");
    EXPECT_GT(text.cx, 10);
    EXPECT_GE(text.cy, 12);
    EXPECT_EQ(canvas.TextExtent(u"").cx, 0);

    // A layer copied in, cut at the canvas edge.
    auto layer = canvas.CreateLayer(10, 10);
    layer->FillRect({0, 0, 10, 10}, {Brush::kSolid, Rgb(0, 160, 0)});
    canvas.BitBlt(35, 25, 10, 10, *layer, 0, 0);
    EXPECT_EQ(canvas.Pixel(39, 29), Rgb(0, 160, 0));
    EXPECT_EQ(canvas.Pixel(34, 29), kWhite);
    EXPECT_THROW(canvas.Pixel(40, 0), std::out_of_range);

    // The PNG decodes to the very pixels drawn.
    qztest::TempDir dir;
    ASSERT_TRUE(canvas.SavePng((dir.path() / "c.png").string()));
    std::vector<std::uint8_t> png = ReadBytes(dir.path() / "c.png");
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(png, canvas.EncodePng());
    EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
    Image decoded = LoadPng(dir.path() / "c.png");
    Image drawn = Snapshot(canvas);
    ASSERT_EQ(decoded.width, 40);
    ASSERT_EQ(decoded.height, 30);
    EXPECT_EQ(decoded.pixels, drawn.pixels);
    EXPECT_FALSE(canvas.SavePng((dir.path() / "missing" / "c.png").string()));
}

// Curves whose boxes reach far beyond the bitmap: drawn where they pass, no
// failure, at the pixels a small curve of the same shape would take.
TEST(GdiCanvas, HugeCurves) {
    CGdiCanvas canvas(100, 100);
    canvas.FillRect({0, 0, 100, 100}, {Brush::kSolid, kWhite});
    canvas.SelectPen({Pen::kSolid, 1, kBlue});
    canvas.SelectBrush(kNullBrush);
    for (int r : {1 << 17, 1 << 22, 1 << 29}) {
        SCOPED_TRACE(r);
        CGdiCanvas c(100, 100);
        c.FillRect({0, 0, 100, 100}, {Brush::kSolid, kWhite});
        c.SelectPen({Pen::kSolid, 1, kBlue});
        c.SelectBrush(kNullBrush);
        // A circle whose rightmost pixels are at x = 49 around y = 50.
        c.Ellipse(50 - 2 * r, 50 - r, 50, 50 + r);
        EXPECT_EQ(c.Pixel(49, 50), kBlue);
        EXPECT_EQ(c.Pixel(49, 45), kBlue);
        EXPECT_EQ(c.Pixel(50, 50), kWhite);
        EXPECT_EQ(c.Pixel(48, 50), kWhite);
        // Its left half only, counter-clockwise from the top to the bottom:
        // nothing of it in the bitmap.
        c.SelectPen({Pen::kSolid, 1, Rgb(255, 0, 0)});
        c.Arc(50 - 2 * r, 50 - r, 50, 50 + r, 50 - r, 0, 50 - r, 100);
        EXPECT_EQ(c.Pixel(49, 50), kBlue);
        // The right half redraws the part in the bitmap.
        c.Arc(50 - 2 * r, 50 - r, 50, 50 + r, 50 - r, 100, 50 - r, 0);
        EXPECT_EQ(c.Pixel(49, 50), Rgb(255, 0, 0));
        // Filled: everything left of the outline takes the brush.
        c.SelectBrush({Brush::kSolid, Rgb(0, 160, 0)});
        c.Ellipse(50 - 2 * r, 50 - r, 50, 50 + r);
        EXPECT_EQ(c.Pixel(0, 0), Rgb(0, 160, 0));
        EXPECT_EQ(c.Pixel(47, 99), Rgb(0, 160, 0));
        EXPECT_EQ(c.Pixel(55, 50), kWhite);
    }
    // The same shape small enough for GDI itself puts its edge at the same place.
    canvas.Ellipse(50 - 2 * 1000, 50 - 1000, 50, 50 + 1000);
    EXPECT_EQ(canvas.Pixel(49, 50), kBlue);
    EXPECT_EQ(canvas.Pixel(50, 50), kWhite);
    EXPECT_EQ(canvas.Pixel(48, 50), kWhite);
}

// scripts/windows-test puts zone files and the PNGs that `quarnz plot --row
// N` drew of each of their zones with the raster canvas on Linux ("NAME.rowN.png")
// into the folder QZ_RASTER_PLOTS names.  Every grid, axis, frame and element
// pixel of one image lies within one pixel of a pixel of the same colour in
// the other.  Text differs with the fonts; it lies outside the compared box.
TEST(GdiCanvas, PlotMatchesTheRasterCanvasOfLinux) {
    const char* folder = std::getenv("QZ_RASTER_PLOTS");
    if (!folder || !*folder) GTEST_SKIP() << "QZ_RASTER_PLOTS names no folder";
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".zone") continue;
        ++files;
        std::vector<std::uint8_t> bytes = ReadBytes(entry.path());
        CZoneLists lists;
        lists.AppendZoneFileBytes(bytes.data(), bytes.size());
        ASSERT_FALSE(lists.arrZones.empty());
        for (std::size_t i = 0; i < lists.arrZones.size(); ++i) {
            std::filesystem::path pngPath = entry.path();
            pngPath.replace_extension(".row" + std::to_string(i + 1) + ".png");
            SCOPED_TRACE(pngPath.string());
            Image raster = LoadPng(pngPath);
            ASSERT_GT(raster.width, 0) << "no raster image";
            const int w = raster.width, h = raster.height;

            const CZone& zone = *lists.arrZones[i];
            PictList picts;
            for (const auto& p : lists.arrPicts)
                if (p->strZoneTag.str() == zone.strTag.str()) picts.push_back(p->Clone());
            CGdiCanvas canvas(w, h);
            CRxPlot plot;
            plot.SetPlaceholder(canvas, {w, h});
            plot.setting = zone.setting;
            plot.pElements = &picts;
            plot.Refresh();
            plot.Paint(canvas, 0, 0);
            std::filesystem::path gdiPath = pngPath;
            gdiPath.replace_extension(".gdi.png");
            canvas.SavePng(gdiPath.string());  // for a person to look at
            Image gdi = Snapshot(canvas);

            // The plot rectangle with the tick marks on its left and bottom
            // edges; the labels lie left of and below it.  The numbers on the
            // left end where the major ticks begin, and a face whose digits
            // fill their advance inks that column too: it is left out.
            const Rect box{41, 20, w - 19, h - 32};
            int count = 0;
            std::vector<std::string> where = Unmatched(gdi, raster, box, count);
            EXPECT_EQ(count, 0) << "GDI pixels with no raster pixel near, first at "
                                << (where.empty() ? "" : where[0]);
            where = Unmatched(raster, gdi, box, count);
            EXPECT_EQ(count, 0) << "raster pixels with no GDI pixel near, first at "
                                << (where.empty() ? "" : where[0]);
        }
    }
    EXPECT_GT(files, 0) << "no zone files in " << folder;
}
#endif
