// The canvas of the Windows build: a memory device context compatible with
// the screen, drawing into a DIB section with GDI itself.  PNG goes through
// the Windows imaging component.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "gfx/canvas.h"

namespace qz::gfx {

class CGdiCanvas : public CCanvas {
  public:
    // Starts black, as a new bitmap does.
    CGdiCanvas(int width, int height);
    ~CGdiCanvas() override;
    CGdiCanvas(const CGdiCanvas&) = delete;
    CGdiCanvas& operator=(const CGdiCanvas&) = delete;

    HDC Dc() const { return dc_; }
    // Throws std::out_of_range outside the image.
    Color Pixel(int x, int y) const;
    // Empty when the imaging component fails.
    std::vector<std::uint8_t> EncodePng() const;
    // Saves EncodePng's bytes as base saves every file: a failed write leaves
    // the file that was there as it was.
    bool SavePng(const std::string& utf8Path) const;

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

    std::unique_ptr<CCanvas> CreateLayer(int width, int height) override;
    void BitBlt(int x, int y, int width, int height, const CCanvas& source, int sx,
                int sy) override;

  private:
    struct Curve {
        std::vector<std::array<double, 2>> points;
    };
    bool Huge(int left, int top, int right, int bottom) const;
    Curve CurveOf(int left, int top, int right, int bottom, double from, double to) const;
    void DrawCurve(const Curve& curve);
    std::vector<POINT> ClipPolygon(const std::vector<std::array<double, 2>>& points) const;
    void FillSolid(int left, int top, int right, int bottom, Color color);

    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr;
    const std::uint32_t* bits_ = nullptr;  // top-down rows of 0x00RRGGBB
    // The objects this canvas made and has selected; null for stock objects.
    HPEN pen_ = nullptr;
    HBRUSH brush_ = nullptr;
    HFONT font_ = nullptr;
    Pen penValue_;
    Brush brushValue_{Brush::kSolid, Rgb(255, 255, 255)};
    Font fontValue_;
};

}  // namespace qz::gfx
