// A canvas that draws with Cairo paths, for SVG and PDF documents and for
// PNG images at several pixels per unit: the plot makes the same calls as on
// the raster canvas, one unit to a pixel there, so the geometry is the same.
// Lines run through pixel centres and the outlines of ellipses and arcs are
// the raster canvas's; text is placed by the raster canvas's measurements.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <functional>
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
    ~CVectorCanvas() override;
    CVectorCanvas(const CVectorCanvas&) = delete;
    CVectorCanvas& operator=(const CVectorCanvas&) = delete;

    // Ends the document and returns its bytes (empty on failure); nothing can
    // be drawn after it.
    std::vector<std::uint8_t> Finish();
    // Saves Finish's bytes as base saves every file.
    bool Save(const std::string& utf8Path);

    Size GetSize() const override { return {width_, height_}; }
    Pen SelectPen(const Pen& pen) override;
    Brush SelectBrush(const Brush& brush) override;
    Font SelectFont(const Font& font) override;
    void SetTransparentText(bool transparent) override;
    void SetTextColor(Color color) override;

    void FillRect(const Rect& rect, const Brush& brush) override;
    void Draw3dRect(const Rect& rect, Color topLeft, Color bottomRight) override;
    void Ellipse(int left, int top, int right, int bottom) override;
    void Arc(int left, int top, int right, int bottom, int xs, int ys, int xe, int ye) override;
    void MoveToEx(int x, int y) override;
    void LineTo(int x, int y) override;
    void Polyline(const Point* points, int count) override;
    void OutText(int x, int y, TextView text) override;
    Size TextExtent(TextView text) override;

    // Layers keep their drawing calls; copying one replays them on the
    // target, moved and cut to the copied block, still as paths.  (Cairo's
    // recording surfaces would do, but its SVG surface leaks every one
    // painted on it.)
    std::unique_ptr<CCanvas> CreateLayer(int width, int height) override;
    void BitBlt(int x, int y, int width, int height, const CCanvas& source, int sx,
                int sy) override;

  private:
    using Call = std::function<void(CVectorCanvas&)>;
    // A layer: a list of calls.
    CVectorCanvas(int width, int height);
    void Init();
    // Keeps the call when this is a layer; true if it was kept.
    bool Defer(Call call);
    // The layer's calls (`size` its extent) copied from (sx, sy) to the block at (x, y).
    void Replay(const std::vector<Call>& calls, Size size, int x, int y, int width, int height,
                int sx, int sy);
    void Fill(double left, double top, double right, double bottom, Color color);
    void SetSource(Color color);
    void StrokeWithPen();

    Format format_ = Format::kPng;
    int width_, height_;
    std::vector<std::uint8_t> bytes_;  // what the document surface wrote
    bool layer_ = false;
    std::vector<Call> calls_;  // a layer's
    cairo_surface_t* surface_ = nullptr;
    cairo_t* cr_ = nullptr;
    bool finished_ = false;
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
