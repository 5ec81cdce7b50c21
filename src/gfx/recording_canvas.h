// A canvas that draws nothing and keeps every drawing call with the state in
// force, so that tests can check the exact pixels the plot and the elements
// compute.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "gfx/canvas.h"

namespace qz::gfx {

struct Call {
    enum Kind : std::uint8_t {
        kFillRect,    // ints: left, top, right, bottom; brush: the brush passed
        kDraw3dRect,  // ints: left, top, right, bottom; colors: top-left, bottom-right
        kEllipse,     // ints: left, top, right, bottom
        kArc,         // ints: left, top, right, bottom, xs, ys, xe, ye
        kMoveToEx,    // ints: x, y
        kLineTo,      // ints: x, y; from: the current position before the call
        kPolyline,    // ints: x0, y0, x1, y1, ...
        kOutText,     // ints: x, y; text
        kBitBlt,      // ints: x, y, width, height, sx, sy; source: layer id
        kPushClip,    // ints: left, top, right, bottom, origin x, origin y
        kPopClip,
    };
    Kind kind = kFillRect;
    std::vector<int> ints;
    Text text;
    Point from;
    std::array<Color, 2> colors{};
    int source = -1;  // -1: a surface that is not a recording of this family
    // The state in force when the call was made.
    Pen pen;
    Brush brush;
    Font font;
    Color textColor;
    bool transparentText = false;

    // One line, e.g. "LineTo 12,30 pen=solid/1/#0000ff"; only the state that
    // the call uses is shown.
    std::string ToString() const;
};

// What a canvas and every layer created from it (and from its layers) drew.
// Layer ids: 0 is the canvas made by the test, 1, 2, ... the layers in the
// order they were created.  Records outlive the layer objects.
struct Recording {
    int id = 0;
    Size size;
    std::vector<Call> calls;
    std::vector<std::string> Lines() const;
};

class CRecordingCanvas : public CCanvas {
  public:
    CRecordingCanvas(int width, int height);

    int Id() const { return Own().id; }
    const std::vector<Call>& Calls() const { return Own().calls; }
    std::vector<std::string> Lines() const { return Own().Lines(); }
    void Clear() { OwnMut().calls.clear(); }
    // The records of this family: 0 is the root canvas.
    int LayerCount() const { return int(family_->size()); }
    const Recording& Layer(int id) const { return *family_->at(std::size_t(id)); }

    // The state now in force, to check that drawers restore what they select.
    const Pen& CurrentPen() const { return pen_; }
    const Brush& CurrentBrush() const { return brush_; }
    const Font& CurrentFont() const { return font_; }
    Color TextColor() const { return textColor_; }
    bool TransparentText() const { return transparent_; }

    // Fixed metric: 6 pixels per half-width character, 12 per full-width
    // one, 12 pixels high, whatever font is selected.
    static Size Extent(TextView text);

    Size GetSize() const override { return Own().size; }
    Pen SelectPen(const Pen& pen) override;
    Brush SelectBrush(const Brush& brush) override;
    Font SelectFont(const Font& font) override;
    void SetTransparentText(bool transparent) override { transparent_ = transparent; }
    void SetTextColor(Color color) override { textColor_ = color; }

    void FillRect(const Rect& rect, const Brush& brush) override;
    void Draw3dRect(const Rect& rect, Color topLeft, Color bottomRight) override;
    void Ellipse(int left, int top, int right, int bottom) override;
    void Arc(int left, int top, int right, int bottom, int xs, int ys, int xe, int ye) override;
    void MoveToEx(int x, int y) override;
    void LineTo(int x, int y) override;
    void Polyline(const Point* points, int count) override;
    void OutText(int x, int y, TextView text) override;
    Size TextExtent(TextView text) override { return Extent(text); }

    // Kept as calls: a drawer that cuts draws straight, as on a document.
    bool PushClip(const Rect& clip, Point origin) override;
    void PopClip() override { Add(Call::kPopClip, {}); }

    std::unique_ptr<CCanvas> CreateLayer(int width, int height) override;
    void BitBlt(int x, int y, int width, int height, const CCanvas& source, int sx,
                int sy) override;

  private:
    using Family = std::vector<std::unique_ptr<Recording>>;
    CRecordingCanvas(std::shared_ptr<Family> family, int id);
    const Recording& Own() const { return *(*family_)[std::size_t(id_)]; }
    Recording& OwnMut() { return *(*family_)[std::size_t(id_)]; }
    Call& Add(Call::Kind kind, std::vector<int> ints);
    void ForgetIfCovered(const Rect& rect);

    std::shared_ptr<Family> family_;
    int id_ = 0;
    // A fresh device context's defaults.
    Pen pen_;
    Brush brush_{Brush::kSolid, Rgb(255, 255, 255)};
    Font font_;
    Color textColor_;
    bool transparent_ = false;
    Point position_;
};

}  // namespace qz::gfx
