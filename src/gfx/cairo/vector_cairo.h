// A canvas that draws with Cairo paths, for SVG and PDF documents and for
// PNG images at several pixels per unit: the plot makes the same calls as on
// the raster canvas, one unit to a pixel there, so the geometry is the same.
// Lines run through pixel centres and the outlines of ellipses and arcs are
// the raster canvas's; text is placed by the raster canvas's measurements.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gfx/cairo/raster_cairo.h"
#include "gfx/canvas.h"

namespace qz::gfx {

class CVectorCanvas : public CCanvas {
  public:
    enum class Format { kSvg, kPdf, kPng };

    // A document or image of width x height units; a PNG has `pixelsPerUnit`
    // pixels to the unit, the documents one point (PDF) or pixel (SVG).
    CVectorCanvas(Format format, int width, int height, int pixelsPerUnit = 1);
    // A PDF of pages `pageWidth` x `pageHeight` points, drawn at
    // `pointsPerUnit`: the canvas is one page's extent in whole units.
    CVectorCanvas(double pageWidth, double pageHeight, double pointsPerUnit);
    ~CVectorCanvas() override;
    CVectorCanvas(const CVectorCanvas&) = delete;
    CVectorCanvas& operator=(const CVectorCanvas&) = delete;

    // Ends a PDF's page; what follows is drawn on a new one.
    void NextPage();
    // Ends the document and returns its bytes (empty on failure); nothing can
    // be drawn after it.
    std::vector<std::uint8_t> Finish();
    // Saves Finish's bytes as base saves every file.
    bool Save(const std::string& utf8Path);

    Size GetSize() const override { return {width_, height_}; }
    Pen SelectPen(const Pen& pen) override;
    Brush SelectBrush(const Brush& brush) override;
    Font SelectFont(const Font& font) override;
    void SetTransparentText(bool transparent) override { transparent_ = transparent; }
    void SetTextColor(Color color) override { textColor_ = color; }

    void FillRect(const Rect& rect, const Brush& brush) override;
    void Draw3dRect(const Rect& rect, Color topLeft, Color bottomRight) override;
    void Ellipse(int left, int top, int right, int bottom) override;
    void Arc(int left, int top, int right, int bottom, int xs, int ys, int xe, int ye) override;
    void MoveToEx(int x, int y) override { position_ = {x, y}; }
    void LineTo(int x, int y) override;
    void Polyline(const Point* points, int count) override;
    void OutText(int x, int y, TextView text) override;
    Size TextExtent(TextView text) override;

    bool PushClip(const Rect& clip, Point origin) override;
    void PopClip() override;
    bool RepeatsUnderClip() const override { return !gather_; }

    // A layer is a bitmap at this canvas's pixels to the unit, as on any
    // other surface: drawers that want paths draw straight, with PushClip.
    std::unique_ptr<CCanvas> CreateLayer(int width, int height) override;
    void BitBlt(int x, int y, int width, int height, const CCanvas& source, int sx,
                int sy) override;

  private:
    void Init(int pixelsPerUnit, double deviceScale);
    void Fill(double left, double top, double right, double bottom, Color color);
    void SetSource(Color color);
    // A stroke of the pen: Begin before its path is added, End after.
    void BeginStroke(cairo_line_cap_t cap);
    void EndStroke(cairo_line_cap_t cap);
    // Strokes what a document's consecutive strokes of one pen gathered.
    void Flush();

    Format format_ = Format::kPng;
    int width_, height_;
    int pixelsPerUnit_ = 1;
    std::vector<std::uint8_t> bytes_;  // what the document surface wrote
    cairo_surface_t* surface_ = nullptr;
    cairo_t* cr_ = nullptr;
    bool finished_ = false;
    // A document strokes a run of one pen as one path (a grid is one, not
    // hundreds); an image strokes each, so its pixels stay as they were.
    bool gather_ = false;
    bool pending_ = false;
    Pen pendingPen_;
    cairo_line_cap_t pendingCap_ = CAIRO_LINE_CAP_BUTT;
    int clips_ = 0;
    bool roundAdvances_ = false;
    // Measures text as the raster canvas does, so labels sit where it puts them.
    CRasterCanvas measure_{1, 1};
    Pen pen_;
    Brush brush_{Brush::kSolid, Rgb(255, 255, 255)};
    Font font_;
    Color textColor_;
    bool transparent_ = false;
    Point position_;
};

}  // namespace qz::gfx
