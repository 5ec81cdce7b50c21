#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "gfx/cairo/raster_cairo.h"
#include "gfx/cairo/vector_cairo.h"
#include "gfx/recording_canvas.h"
#include "test_util.h"

using namespace qz;
using namespace qz::gfx;

namespace {

constexpr Color kWhite = Rgb(255, 255, 255);
constexpr Color kBlack = Rgb(0, 0, 0);
constexpr Color kBlue = Rgb(0, 0, 255);
constexpr Color kRed = Rgb(255, 0, 0);
constexpr Color kGreen = Rgb(0, 160, 0);

// A raster canvas painted white, with a pen of `color` and `width` and no brush.
struct Raster {
    explicit Raster(int w = 60, int h = 60, Color penColor = kBlue, int penWidth = 1)
        : canvas(w, h) {
        canvas.FillRect({0, 0, w, h}, {Brush::kSolid, kWhite});
        canvas.SelectPen({Pen::kSolid, penWidth, penColor});
        canvas.SelectBrush(kNullBrush);
    }
    // Pixels of `color` within the box (right and bottom exclusive).
    int Count(Color color, int l, int t, int r, int b) const {
        int n = 0;
        for (int y = t; y < b; ++y)
            for (int x = l; x < r; ++x) n += canvas.Pixel(x, y) == color;
        return n;
    }
    int Count(Color color) const {
        Size s = canvas.GetSize();
        return Count(color, 0, 0, s.cx, s.cy);
    }
    CRasterCanvas canvas;
};

}  // namespace

TEST(RecordingCanvas, FixedTextMetric) {
    EXPECT_EQ(CRecordingCanvas::Extent(u""), (Size{0, 12}));
    EXPECT_EQ(CRecordingCanvas::Extent(u"R(Ω)"), (Size{24, 12}));  // Ω is half-width
    EXPECT_EQ(CRecordingCanvas::Extent(u"-0.3"), (Size{24, 12}));
    EXPECT_EQ(CRecordingCanvas::Extent(u"接地距离 I段"), (Size{5 * 12 + 2 * 6, 12}));
    EXPECT_EQ(CRecordingCanvas::Extent(u"한（）"), (Size{36, 12}));  // Hangul, full-width forms
    EXPECT_EQ(CRecordingCanvas::Extent(u"\U00020000a"), (Size{18, 12}));  // one wide pair
    CRecordingCanvas canvas(10, 10);
    canvas.SelectFont({-30, 700, u"Other"});
    EXPECT_EQ(canvas.TextExtent(u"ab"), (Size{12, 12}));  // whatever the font
}

TEST(RecordingCanvas, KeepsCallsWithTheirState) {
    CRecordingCanvas canvas(200, 100);
    EXPECT_EQ(canvas.GetSize(), (Size{200, 100}));
    const Pen grid{Pen::kSolid, 1, Rgb(224, 224, 224)};
    EXPECT_EQ(canvas.SelectPen(grid), Pen{});  // a fresh canvas has the black pen
    Brush oldBrush = canvas.SelectBrush(kNullBrush);
    EXPECT_EQ(oldBrush, (Brush{Brush::kSolid, kWhite}));
    canvas.FillRect({0, 0, 200, 100}, {Brush::kSolid, Rgb(224, 224, 224)});
    canvas.Draw3dRect({0, 0, 200, 100}, Rgb(160, 160, 160), kWhite);
    canvas.Ellipse(10, 11, 30, 31);
    canvas.MoveToEx(5, 6);
    canvas.SelectPen({Pen::kSolid, 3, kBlue});
    canvas.LineTo(12, 30);
    canvas.Arc(0, 0, 40, 40, 40, 20, 20, 0);
    const Point border[] = {{50, 20}, {50, 60}, {180, 60}};
    canvas.SelectPen(kNullPen);
    canvas.Polyline(border, 3);
    canvas.SetTextColor(kRed);
    canvas.OutText(3, 4, u"R(Ω)");
    canvas.SetTransparentText(true);
    canvas.SelectFont({-12, 400, u"宋体"});
    canvas.OutText(7, 8, u"接地");

    const std::vector<std::string> expected = {
        "FillRect 0,0,200,100 brush=#e0e0e0",
        "Draw3dRect 0,0,200,100 #a0a0a0/#ffffff",
        "Ellipse 10,11,30,31 pen=solid/1/#e0e0e0 brush=null",
        "MoveToEx 5,6",
        "LineTo 12,30 pen=solid/3/#0000ff",
        "Arc 0,0,40,40 40,20 20,0 pen=solid/3/#0000ff",
        "Polyline 50,20 50,60 180,60 pen=null",
        "OutText 3,4 \"R(Ω)\" color=#ff0000 opaque",
        "OutText 7,8 \"接地\" color=#ff0000 transparent",
    };
    EXPECT_EQ(canvas.Lines(), expected);

    const auto& calls = canvas.Calls();
    ASSERT_EQ(calls.size(), expected.size());
    EXPECT_EQ(calls[4].kind, Call::kLineTo);
    EXPECT_EQ(calls[4].from, (Point{5, 6}));
    EXPECT_EQ(calls[4].ints, (std::vector<int>{12, 30}));
    EXPECT_EQ(calls[2].brush, kNullBrush);
    EXPECT_EQ(calls[0].brush.color, Rgb(224, 224, 224));  // the brush passed, not the selected
    EXPECT_EQ(calls[8].text, u"接地");
    EXPECT_EQ(calls[8].font.face, u"宋体");
    EXPECT_EQ(canvas.CurrentPen(), kNullPen);
    EXPECT_TRUE(canvas.TransparentText());
    EXPECT_EQ(canvas.TextColor(), kRed);

    canvas.Clear();
    EXPECT_TRUE(canvas.Calls().empty());
}

TEST(RecordingCanvas, LayersAndTheirCopies) {
    CRecordingCanvas screen(300, 200);
    auto background = screen.CreateLayer(300, 200);
    auto elements = background->CreateLayer(230, 140);  // a layer's layer joins the family
    EXPECT_EQ(elements->GetSize(), (Size{230, 140}));
    background->MoveToEx(1, 2);
    elements->BitBlt(0, 0, 230, 140, *background, 50, 20);
    elements->LineTo(9, 9);
    screen.BitBlt(0, 0, 300, 200, *background, 0, 0);
    screen.BitBlt(60, 30, 230, 140, *elements, 0, 0);
    CRecordingCanvas stranger(5, 5);
    screen.BitBlt(0, 0, 5, 5, stranger, 0, 0);

    ASSERT_EQ(screen.LayerCount(), 3);
    EXPECT_EQ(screen.Lines(), (std::vector<std::string>{"BitBlt 0,0 300x200 from layer1 0,0",
                                                        "BitBlt 60,30 230x140 from layer2 0,0",
                                                        "BitBlt 0,0 5x5 from other 0,0"}));
    background.reset();
    elements.reset();
    // The records stay readable after the plot has dropped its layers.
    EXPECT_EQ(screen.Layer(1).Lines(), (std::vector<std::string>{"MoveToEx 1,2"}));
    EXPECT_EQ(screen.Layer(2).size, (Size{230, 140}));
    EXPECT_EQ(screen.Layer(2).Lines(),
              (std::vector<std::string>{"BitBlt 0,0 230x140 from layer1 50,20",
                                        "LineTo 9,9 pen=solid/1/#000000"}));
}

TEST(RecordingCanvas, ALayerForgetsOnlyWhatAFillCoversWhole) {
    CRecordingCanvas screen(100, 100);
    auto layer = screen.CreateLayer(40, 30);
    const Brush grey{Brush::kSolid, Rgb(224, 224, 224)};
    layer->MoveToEx(1, 2);
    // One pixel short at any side: what lies under that pixel stays.
    for (Rect shortOfOne :
         {Rect{1, 0, 40, 30}, Rect{0, 1, 40, 30}, Rect{0, 0, 39, 30}, Rect{0, 0, 40, 29}}) {
        layer->FillRect(shortOfOne, grey);
        layer->BitBlt(shortOfOne.left, shortOfOne.top, shortOfOne.Width(), shortOfOne.Height(),
                      screen, 0, 0);
    }
    EXPECT_EQ(screen.Layer(1).calls.size(), 9u);
    EXPECT_EQ(screen.Layer(1).calls.front().kind, Call::kMoveToEx);
    layer->FillRect({-1, 0, 40, 31}, grey);
    EXPECT_EQ(screen.Layer(1).Lines(),
              (std::vector<std::string>{"FillRect -1,0,40,31 brush=#e0e0e0"}));
}

TEST(RasterCanvas, LinesLeaveOutTheirLastPixel) {
    Raster r;
    r.canvas.MoveToEx(2, 5);
    r.canvas.LineTo(8, 5);
    for (int x = 2; x < 8; ++x) EXPECT_EQ(r.canvas.Pixel(x, 5), kBlue) << x;
    EXPECT_EQ(r.canvas.Pixel(1, 5), kWhite);
    EXPECT_EQ(r.canvas.Pixel(8, 5), kWhite);
    EXPECT_EQ(r.Count(kBlue), 6);

    // Right to left and bottom to top, the pixel left out is still the end's.
    r.canvas.MoveToEx(8, 7);
    r.canvas.LineTo(2, 7);
    EXPECT_EQ(r.canvas.Pixel(8, 7), kBlue);
    EXPECT_EQ(r.canvas.Pixel(2, 7), kWhite);
    r.canvas.MoveToEx(20, 10);
    r.canvas.LineTo(20, 16);
    EXPECT_EQ(r.canvas.Pixel(20, 10), kBlue);
    EXPECT_EQ(r.canvas.Pixel(20, 15), kBlue);
    EXPECT_EQ(r.canvas.Pixel(20, 16), kWhite);
    r.canvas.LineTo(20, 12);  // continues from the current position
    EXPECT_EQ(r.canvas.Pixel(20, 16), kBlue);
    EXPECT_EQ(r.Count(kBlue, 20, 0, 21, 60), 7);

    // A diagonal steps one pixel per column; a polyline joins its points.
    Raster d;
    const Point path[] = {{10, 10}, {20, 20}, {20, 30}};
    d.canvas.Polyline(path, 3);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(d.canvas.Pixel(10 + i, 10 + i), kBlue) << i;
    EXPECT_EQ(d.canvas.Pixel(20, 29), kBlue);
    EXPECT_EQ(d.canvas.Pixel(20, 30), kWhite);
    EXPECT_EQ(d.Count(kBlue), 20);

    // Far-away ends are cut, not walked; the part inside stays where it was.
    Raster far;
    far.canvas.MoveToEx(-2000000000, 30);
    far.canvas.LineTo(2000000000, 30);
    EXPECT_EQ(far.Count(kBlue, 0, 30, 60, 31), 60);
    EXPECT_EQ(far.Count(kBlue), 60);
}

TEST(RasterCanvas, PenWidthsAndTheNullPen) {
    Raster wide(60, 60, kBlue, 3);
    wide.canvas.MoveToEx(10, 20);
    wide.canvas.LineTo(30, 20);
    for (int y = 19; y <= 21; ++y) EXPECT_EQ(wide.canvas.Pixel(20, y), kBlue) << y;
    EXPECT_EQ(wide.canvas.Pixel(20, 18), kWhite);
    EXPECT_EQ(wide.canvas.Pixel(20, 22), kWhite);
    EXPECT_EQ(wide.canvas.Pixel(30, 20), kBlue);  // wide pens keep their round end
    EXPECT_EQ(wide.canvas.Pixel(33, 20), kWhite);

    // Far ends are cut before Cairo's fixed point could wrap them.
    Raster far(60, 60, kRed, 3);
    far.canvas.MoveToEx(-2000000000, 40);
    far.canvas.LineTo(2000000000, 40);
    EXPECT_EQ(far.Count(kRed), 3 * 60);
    EXPECT_EQ(far.Count(kRed, 0, 39, 60, 42), 3 * 60);
    // A huge circle whose right side crosses the image is still drawn there.
    far.canvas.SelectPen({Pen::kSolid, 1, kBlue});
    far.canvas.Ellipse(30 - 4000000, 30 - 2000000, 30, 30 + 2000000);
    EXPECT_EQ(far.Count(kBlue, 29, 20, 30, 38), 18);
    EXPECT_EQ(far.Count(kBlue, 30, 0, 60, 60), 0);

    Raster none(60, 60, kBlue, 1);
    none.canvas.SelectPen(kNullPen);
    std::vector<std::uint8_t> before = none.canvas.EncodePng();
    none.canvas.MoveToEx(0, 0);
    none.canvas.LineTo(50, 50);
    none.canvas.Ellipse(5, 5, 40, 40);
    none.canvas.Arc(5, 5, 40, 40, 40, 22, 22, 5);
    const Point path[] = {{0, 10}, {50, 10}};
    none.canvas.Polyline(path, 2);
    EXPECT_EQ(none.canvas.EncodePng(), before);
    EXPECT_EQ(none.Count(kWhite), 3600);
}

TEST(RasterCanvas, EllipseStaysInsideItsBox) {
    Raster r;
    r.canvas.Ellipse(10, 12, 30, 22);
    // Each side of the box (right and bottom exclusive) is touched, none crossed.
    EXPECT_GT(r.Count(kBlue, 10, 12, 11, 22), 0);
    EXPECT_GT(r.Count(kBlue, 29, 12, 30, 22), 0);
    EXPECT_GT(r.Count(kBlue, 10, 12, 30, 13), 0);
    EXPECT_GT(r.Count(kBlue, 10, 21, 30, 22), 0);
    EXPECT_EQ(r.Count(kBlue), r.Count(kBlue, 10, 12, 30, 22));
    EXPECT_EQ(r.canvas.Pixel(10, 12), kWhite);  // corners stay clear
    EXPECT_EQ(r.canvas.Pixel(29, 21), kWhite);
    EXPECT_EQ(r.canvas.Pixel(20, 17), kWhite);  // no brush, no filling
    EXPECT_EQ(r.canvas.Pixel(19, 12), kBlue);   // the middle of the top and bottom
    EXPECT_EQ(r.canvas.Pixel(20, 21), kBlue);
    // The outline is one pixel thin: the pixel inside the top is clear.
    EXPECT_EQ(r.canvas.Pixel(19, 13), kWhite);

    // A brush fills the inside; the outline still comes on top.
    Raster f;
    f.canvas.SelectBrush({Brush::kSolid, kGreen});
    f.canvas.Ellipse(10, 10, 31, 31);
    EXPECT_EQ(f.canvas.Pixel(20, 20), kGreen);
    EXPECT_EQ(f.canvas.Pixel(20, 10), kBlue);
    EXPECT_EQ(f.canvas.Pixel(10, 20), kBlue);
    EXPECT_EQ(f.canvas.Pixel(30, 20), kBlue);
    EXPECT_EQ(f.Count(kGreen, 0, 0, 60, 10) + f.Count(kGreen, 0, 31, 60, 60), 0);
}

TEST(RasterCanvas, ArcsRunCounterClockwiseOnTheScreen) {
    // From the ray at 0 degrees (east) to the ray at 90 (north).
    Raster r;
    r.canvas.Arc(10, 10, 51, 51, 60, 30, 30, 0);
    EXPECT_GT(r.Count(kBlue, 10, 10, 51, 11), 0);  // top edge
    EXPECT_GT(r.Count(kBlue, 50, 10, 51, 51), 0);  // right edge
    EXPECT_EQ(r.Count(kBlue, 10, 32, 60, 60), 0);  // nothing below the centre
    EXPECT_EQ(r.Count(kBlue, 0, 0, 29, 60), 0);    // nor left of it
    EXPECT_EQ(r.canvas.Pixel(30, 10), kBlue);
    EXPECT_EQ(r.canvas.Pixel(50, 30), kBlue);

    // The same rays the other way round give the other three quarters.
    Raster back;
    back.canvas.Arc(10, 10, 51, 51, 30, 0, 60, 30);
    EXPECT_GT(back.Count(kBlue, 10, 50, 51, 51), 0);  // bottom edge
    EXPECT_GT(back.Count(kBlue, 10, 10, 11, 51), 0);  // left edge
    EXPECT_EQ(back.Count(kBlue, 33, 10, 51, 28), 0);  // the top-right quarter stays empty

    // Equal rays draw the whole ellipse, the same as Ellipse without a brush.
    Raster full, whole;
    full.canvas.Arc(10, 10, 50, 40, 55, 25, 70, 25);
    whole.canvas.Ellipse(10, 10, 50, 40);
    EXPECT_GT(full.Count(kBlue), 80);
    EXPECT_EQ(full.canvas.EncodePng(), whole.canvas.EncodePng());
}

TEST(RasterCanvas, RectanglesAndCopies) {
    Raster r(40, 30);
    r.canvas.FillRect({5, 6, 15, 10}, {Brush::kSolid, kGreen});
    EXPECT_EQ(r.Count(kGreen), 40);
    EXPECT_EQ(r.Count(kGreen, 5, 6, 15, 10), 40);
    r.canvas.FillRect({0, 0, 40, 30}, kNullBrush);
    EXPECT_EQ(r.Count(kGreen), 40);
    r.canvas.FillRect({-100, 28, 100, 100}, {Brush::kSolid, kRed});  // cut to the image
    EXPECT_EQ(r.Count(kRed), 80);

    r.canvas.Draw3dRect({20, 2, 30, 8}, kBlack, kBlue);
    EXPECT_EQ(r.canvas.Pixel(20, 2), kBlack);
    EXPECT_EQ(r.canvas.Pixel(28, 2), kBlack);
    EXPECT_EQ(r.canvas.Pixel(29, 2), kBlue);  // far corners are the second colour's
    EXPECT_EQ(r.canvas.Pixel(20, 7), kBlue);
    EXPECT_EQ(r.canvas.Pixel(20, 6), kBlack);
    EXPECT_EQ(r.canvas.Pixel(29, 7), kBlue);
    EXPECT_EQ(r.canvas.Pixel(25, 5), kWhite);
    EXPECT_EQ(r.Count(kBlack) + r.Count(kBlue), 2 * 10 + 2 * 6 - 4);

    // A layer copied in part, at an offset, cut where it leaves the target.
    auto layer = r.canvas.CreateLayer(20, 10);
    EXPECT_EQ(layer->GetSize(), (Size{20, 10}));
    layer->FillRect({0, 0, 20, 10}, {Brush::kSolid, kGreen});
    layer->FillRect({2, 3, 4, 5}, {Brush::kSolid, kRed});
    Raster target(30, 20);
    target.canvas.BitBlt(10, 5, 5, 4, *layer, 1, 2);
    EXPECT_EQ(target.Count(kGreen) + target.Count(kRed), 20);
    EXPECT_EQ(target.canvas.Pixel(10, 5), kGreen);
    EXPECT_EQ(target.canvas.Pixel(11, 6), kRed);  // layer (2, 3)
    EXPECT_EQ(target.canvas.Pixel(12, 7), kRed);
    EXPECT_EQ(target.canvas.Pixel(14, 8), kGreen);
    EXPECT_EQ(target.canvas.Pixel(15, 8), kWhite);
    target.canvas.BitBlt(-3, 18, 20, 10, *layer, 0, 0);
    EXPECT_EQ(target.Count(kGreen, 0, 18, 30, 20), 17 * 2);
    EXPECT_EQ(target.canvas.Pixel(0, 18), kGreen);
    // A copy within one image reads the source before it writes.
    target.canvas.BitBlt(11, 7, 5, 4, target.canvas, 10, 5);
    EXPECT_EQ(target.canvas.Pixel(12, 8), kRed);  // from (11, 6)
    EXPECT_EQ(target.canvas.Pixel(13, 9), kRed);  // from (12, 7)
    // A surface of another kind is not a source.
    CRecordingCanvas other(5, 5);
    target.canvas.BitBlt(0, 0, 5, 5, other, 0, 0);
    EXPECT_EQ(target.canvas.Pixel(0, 0), kWhite);
}

TEST(RasterCanvas, TextInItsColourWithinItsExtent) {
    Raster r(120, 40);
    r.canvas.FillRect({0, 0, 120, 40}, {Brush::kSolid, kGreen});
    r.canvas.SelectFont({-12, 400, u"宋体"});
    const Text label = u"R(Ω)接地";
    Size size = r.canvas.TextExtent(label);
    EXPECT_GT(size.cx, r.canvas.TextExtent(u"R(Ω)").cx + 18);  // CJK glyphs are wide
    EXPECT_GE(size.cy, 12);
    EXPECT_LE(size.cy, 18);
    r.canvas.SetTransparentText(true);
    r.canvas.SetTextColor(kRed);
    r.canvas.OutText(10, 8, label);
    const int red = r.Count(kRed, 10, 8, 10 + size.cx, 8 + size.cy);
    EXPECT_GT(red, 40);
    EXPECT_EQ(r.Count(kRed), red);  // nothing outside the extent
    // Transparent: the background between the strokes is untouched.
    EXPECT_EQ(r.Count(kGreen, 10, 8, 10 + size.cx, 8 + size.cy), size.cx * size.cy - red);
    // Both CJK characters are drawn, not only the Latin part.
    int cjkLeft = 10 + r.canvas.TextExtent(u"R(Ω)").cx;
    EXPECT_GT(r.Count(kRed, cjkLeft, 8, 10 + size.cx, 8 + size.cy), 20);

    // Opaque text fills its extent with white behind the glyphs.
    r.canvas.SetTransparentText(false);
    r.canvas.SetTextColor(kBlue);
    r.canvas.OutText(10, 25, u"12");
    Size digits = r.canvas.TextExtent(u"12");
    int blue = r.Count(kBlue, 10, 25, 10 + digits.cx, 25 + digits.cy);
    EXPECT_GT(blue, 5);
    EXPECT_EQ(r.Count(kWhite, 10, 25, 10 + digits.cx, 25 + digits.cy),
              digits.cx * digits.cy - blue);
}

TEST(RasterCanvas, PngDecodesToTheSamePixels) {
    Raster r(37, 23);
    r.canvas.FillRect({3, 4, 20, 9}, {Brush::kSolid, Rgb(12, 34, 56)});
    r.canvas.Ellipse(5, 5, 30, 20);
    r.canvas.SetTextColor(kRed);
    r.canvas.SetTransparentText(true);
    r.canvas.OutText(1, 1, u"X(Ω)");
    std::vector<std::uint8_t> png = r.canvas.EncodePng();
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(std::memcmp(png.data(), "\x89PNG\r\n\x1a\n", 8), 0);

    struct Reader {
        const std::vector<std::uint8_t>* bytes;
        std::size_t at = 0;
    } reader{&png};
    auto read = [](void* closure, unsigned char* data, unsigned int length) {
        auto* in = static_cast<Reader*>(closure);
        if (in->at + length > in->bytes->size()) return CAIRO_STATUS_READ_ERROR;
        std::memcpy(data, in->bytes->data() + in->at, length);
        in->at += length;
        return CAIRO_STATUS_SUCCESS;
    };
    cairo_surface_t* decoded = cairo_image_surface_create_from_png_stream(read, &reader);
    ASSERT_EQ(cairo_surface_status(decoded), CAIRO_STATUS_SUCCESS);
    ASSERT_EQ(cairo_image_surface_get_width(decoded), 37);
    ASSERT_EQ(cairo_image_surface_get_height(decoded), 23);
    const unsigned char* data = cairo_image_surface_get_data(decoded);
    const int stride = cairo_image_surface_get_stride(decoded);
    int differences = 0;
    for (int y = 0; y < 23; ++y) {
        for (int x = 0; x < 37; ++x) {
            std::uint32_t v;
            std::memcpy(&v, data + y * stride + x * 4, 4);
            Color c = Rgb(int(v >> 16 & 0xFF), int(v >> 8 & 0xFF), int(v & 0xFF));
            differences += !(c == r.canvas.Pixel(x, y));
        }
    }
    cairo_surface_destroy(decoded);
    EXPECT_EQ(differences, 0);
    EXPECT_GT(r.Count(kRed), 0);

    qztest::TempDir dir;
    std::string path = (dir.path() / "plot.png").string();
    ASSERT_TRUE(r.canvas.SavePng(path));
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> saved{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(saved, png);
    EXPECT_FALSE(r.canvas.SavePng((dir.path() / "missing" / "plot.png").string()));
}

// Fontconfig keeps a few blocks unreachable for the life of the process once
// a face has been looked up; they are not ours to free.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

// A layer copied to the vector canvas is what it held at the copy, cut to
// the copied block; an enlarged PNG has its pixels times the scale.
TEST(VectorCanvas, LayersCopyWhatTheyHeldCutToTheBlock) {
    CVectorCanvas png(CVectorCanvas::Format::kPng, 20, 10, 2);
    png.FillRect({0, 0, 20, 10}, Brush{Brush::kSolid, Rgb(255, 255, 255)});
    std::unique_ptr<CCanvas> layer = png.CreateLayer(10, 10);
    layer->FillRect({0, 0, 10, 10}, Brush{Brush::kSolid, Rgb(0, 0, 255)});
    png.BitBlt(2, 2, 4, 4, *layer, 0, 0);
    layer->FillRect({0, 0, 10, 10}, Brush{Brush::kSolid, Rgb(255, 0, 0)});
    png.BitBlt(12, 0, 20, 20, *layer, 5, 5);  // the layer holds 5 x 5 from there
    std::vector<std::uint8_t> bytes = png.Finish();
    ASSERT_FALSE(bytes.empty());

    struct Reader {
        const std::vector<std::uint8_t>& b;
        std::size_t at = 0;
    } reader{bytes};
    cairo_surface_t* image = cairo_image_surface_create_from_png_stream(
        [](void* closure, unsigned char* data, unsigned int length) {
            auto* r = static_cast<Reader*>(closure);
            if (r->b.size() - r->at < length) return CAIRO_STATUS_READ_ERROR;
            std::memcpy(data, r->b.data() + r->at, length);
            r->at += length;
            return CAIRO_STATUS_SUCCESS;
        },
        &reader);
    ASSERT_EQ(cairo_surface_status(image), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(image), 40);
    auto at = [&](int x, int y) {
        const unsigned char* row =
            cairo_image_surface_get_data(image) + y * cairo_image_surface_get_stride(image);
        return reinterpret_cast<const std::uint32_t*>(row)[x] & 0xFFFFFF;
    };
    EXPECT_EQ(at(4, 4), 0x0000FFu);    // the blue block, unit (2, 2)
    EXPECT_EQ(at(11, 11), 0x0000FFu);  // unit (5, 5)
    EXPECT_EQ(at(12, 12), 0xFFFFFFu);  // unit (6, 6): beyond the block
    EXPECT_EQ(at(24, 8), 0xFF0000u);   // unit (12, 4): red, copied after the change
    EXPECT_EQ(at(24, 10), 0xFFFFFFu);  // unit (12, 5): beyond what the layer holds
    EXPECT_EQ(at(33, 2), 0xFF0000u);   // unit (16, 1)
    EXPECT_EQ(at(36, 2), 0xFFFFFFu);   // unit (18, 1): beyond the layer's width
    cairo_surface_destroy(image);
}

// A document strokes a run of one pen as one path, in drawing order: a fill,
// a label, another pen or a cut ends the run before it is drawn.
TEST(VectorCanvas, ADocumentStrokesARunOfOnePenAsOnePath) {
    CVectorCanvas svg(CVectorCanvas::Format::kSvg, 100, 100);
    const Pen grey{Pen::kSolid, 1, Rgb(224, 224, 224)}, red{Pen::kSolid, 1, Rgb(255, 0, 0)};
    svg.SelectPen(grey);
    svg.SelectBrush(kNullBrush);
    for (int i = 0; i < 20; ++i) {
        svg.MoveToEx(0, i);
        svg.LineTo(90, i);
        svg.Ellipse(10, 10, 20 + i, 20 + i);
    }
    svg.FillRect({0, 0, 5, 5}, Brush{Brush::kSolid, Rgb(0, 0, 255)});
    svg.LineTo(90, 90);
    svg.SelectPen(red);
    svg.LineTo(10, 90);
    svg.PushClip({0, 0, 50, 50}, {5, 5});
    svg.LineTo(20, 20);
    svg.PopClip();
    std::vector<std::uint8_t> bytes = svg.Finish();
    const std::string doc(bytes.begin(), bytes.end());
    std::vector<std::string> paths;  // each drawn path's colour, in document order
    for (std::size_t at = doc.find("<path", doc.find("</defs>")); at != std::string::npos;
         at = doc.find("<path", at + 1)) {
        const std::string tag = doc.substr(at, doc.find('>', at) - at);
        paths.push_back(tag.find("stroke:rgb(87.") != std::string::npos           ? "grey"
                        : tag.find("fill:rgb(0%,0%,100%)") != std::string::npos   ? "blue"
                        : tag.find("stroke:rgb(100%,0%,0%)") != std::string::npos ? "red"
                                                                                  : "other");
    }
    EXPECT_EQ(paths, (std::vector<std::string>{"grey", "blue", "grey", "red", "red"})) << doc;
    EXPECT_LT(doc.find("clip-path="), doc.rfind("<path"));
}
