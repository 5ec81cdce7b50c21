// A canvas that draws into an RGB image with Cairo, with GDI's pixel rules:
// no anti-aliasing, boxes with exclusive right and bottom, lines without
// their last pixel.  Text is drawn in a CJK-capable face standing in for the
// label font.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/canvas.h"

namespace qz::gfx {

class CRasterCanvas : public CCanvas {
  public:
    // Starts black, as a new bitmap does.
    CRasterCanvas(int width, int height);
    ~CRasterCanvas() override;
    CRasterCanvas(const CRasterCanvas&) = delete;
    CRasterCanvas& operator=(const CRasterCanvas&) = delete;

    // Throws std::out_of_range outside the image.
    Color Pixel(int x, int y) const;
    std::vector<std::uint8_t> EncodePng() const;
    // The selected font's ascent in whole pixels, where OutText puts the baseline.
    int Ascent() const { return ascent_; }
    // Saves EncodePng's bytes as base saves every file: a failed write leaves
    // the file that was there as it was.
    bool SavePng(const std::string& utf8Path) const;

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

    std::unique_ptr<CCanvas> CreateLayer(int width, int height) override;
    void BitBlt(int x, int y, int width, int height, const CCanvas& source, int sx,
                int sy) override;

  private:
    // An image surface keeps its pixels where they were made: the pointer
    // and the stride are taken once, not per pixel.
    std::uint32_t* Row(int y) const { return pixels_ + std::size_t(y) * stride_; }
    void Fill(int left, int top, int right, int bottom, Color color);
    void Segment(Point from, Point to);
    // An ellipse path in the box, or an arc of it; false if nothing to draw.
    bool EllipsePath(int left, int top, int right, int bottom, const double* rays);
    void SetSource(Color color);

    int width_, height_;
    cairo_surface_t* surface_;
    cairo_t* cr_;
    std::uint32_t* pixels_;
    std::size_t stride_;  // in pixels
    Pen pen_;
    Brush brush_{Brush::kSolid, Rgb(255, 255, 255)};
    Font font_;
    Color textColor_;
    bool transparent_ = false;
    Point position_;
    int ascent_ = 0;
};

}  // namespace qz::gfx
