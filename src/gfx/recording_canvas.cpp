#include "gfx/recording_canvas.h"

#include <cstdio>
#include <utility>

namespace qz::gfx {

namespace {

std::string Hex(Color c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c.r, c.g, c.b);
    return buf;
}

std::string PenText(const Pen& pen) {
    if (pen.style == Pen::kNull) return "pen=null";
    return std::string(pen.style == Pen::kDash ? "pen=dash/" : "pen=solid/") +
           std::to_string(pen.width) + "/" + Hex(pen.color);
}

std::string BrushText(const Brush& brush) {
    return brush.style == Brush::kNull ? "brush=null" : "brush=" + Hex(brush.color);
}

// "a,b" pairs from `ints`, starting at `first`, separated by spaces.
std::string Pairs(const std::vector<int>& ints, std::size_t first, std::size_t count) {
    std::string out;
    for (std::size_t i = first; i + 1 < ints.size() && i < first + count; i += 2) {
        if (!out.empty()) out += ' ';
        out += std::to_string(ints[i]) + "," + std::to_string(ints[i + 1]);
    }
    return out;
}

std::string Box(const std::vector<int>& ints) {
    return std::to_string(ints[0]) + "," + std::to_string(ints[1]) + "," + std::to_string(ints[2]) +
           "," + std::to_string(ints[3]);
}

// East Asian wide and fullwidth ranges, as terminals count them.
bool IsFullWidth(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

}  // namespace

std::string Call::ToString() const {
    switch (kind) {
        case kFillRect:
            return "FillRect " + Box(ints) + " " + BrushText(brush);
        case kDraw3dRect:
            return "Draw3dRect " + Box(ints) + " " + Hex(colors[0]) + "/" + Hex(colors[1]);
        case kEllipse:
            return "Ellipse " + Box(ints) + " " + PenText(pen) + " " + BrushText(brush);
        case kArc:
            return "Arc " + Box(ints) + " " + Pairs(ints, 4, 4) + " " + PenText(pen);
        case kMoveToEx:
            return "MoveToEx " + Pairs(ints, 0, 2);
        case kLineTo:
            return "LineTo " + Pairs(ints, 0, 2) + " " + PenText(pen);
        case kPolyline:
            return "Polyline " + Pairs(ints, 0, ints.size()) + " " + PenText(pen);
        case kOutText:
            return "OutText " + Pairs(ints, 0, 2) + " \"" + ToUtf8Lossy(text) +
                   "\" color=" + Hex(textColor) + (transparentText ? " transparent" : " opaque");
        case kBitBlt:
            return "BitBlt " + Pairs(ints, 0, 2) + " " + std::to_string(ints[2]) + "x" +
                   std::to_string(ints[3]) + " from " +
                   (source < 0 ? std::string("other") : "layer" + std::to_string(source)) + " " +
                   Pairs(ints, 4, 2);
        case kPushClip:
            return "PushClip " + Box(ints) + " origin=" + Pairs(ints, 4, 2);
        case kPopClip:
            return "PopClip";
    }
    return "?";
}

std::vector<std::string> Recording::Lines() const {
    std::vector<std::string> lines;
    lines.reserve(calls.size());
    for (const Call& call : calls) lines.push_back(call.ToString());
    return lines;
}

CRecordingCanvas::CRecordingCanvas(int width, int height)
    : family_(std::make_shared<Family>()), id_(0) {
    family_->push_back(std::make_unique<Recording>(Recording{0, {width, height}, {}}));
}

CRecordingCanvas::CRecordingCanvas(std::shared_ptr<Family> family, int id)
    : family_(std::move(family)), id_(id) {}

Size CRecordingCanvas::Extent(TextView text) {
    int width = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        width += IsFullWidth(c) ? 12 : 6;
    }
    return {width, 12};
}

Pen CRecordingCanvas::SelectPen(const Pen& pen) {
    return std::exchange(pen_, pen);
}
Brush CRecordingCanvas::SelectBrush(const Brush& brush) {
    return std::exchange(brush_, brush);
}
Font CRecordingCanvas::SelectFont(const Font& font) {
    return std::exchange(font_, font);
}

Call& CRecordingCanvas::Add(Call::Kind kind, std::vector<int> ints) {
    Call call;
    call.kind = kind;
    call.ints = std::move(ints);
    call.from = position_;
    call.pen = pen_;
    call.brush = brush_;
    call.font = font_;
    call.textColor = textColor_;
    call.transparentText = transparent_;
    return OwnMut().calls.emplace_back(std::move(call));
}

void CRecordingCanvas::ForgetIfCovered(const Rect& rect) {
    // A layer painted over whole hides all it held: forgetting it keeps the
    // records of a long-lived dialog's plot from growing with every refresh.
    Size size = Own().size;
    if (id_ != 0 && rect.left <= 0 && rect.top <= 0 && rect.right >= size.cx &&
        rect.bottom >= size.cy)
        OwnMut().calls.clear();
}

void CRecordingCanvas::FillRect(const Rect& rect, const Brush& brush) {
    if (brush.style == Brush::kSolid) ForgetIfCovered(rect);
    Add(Call::kFillRect, {rect.left, rect.top, rect.right, rect.bottom}).brush = brush;
}

void CRecordingCanvas::Draw3dRect(const Rect& rect, Color topLeft, Color bottomRight) {
    Add(Call::kDraw3dRect, {rect.left, rect.top, rect.right, rect.bottom}).colors = {topLeft,
                                                                                     bottomRight};
}

void CRecordingCanvas::Ellipse(int left, int top, int right, int bottom) {
    Add(Call::kEllipse, {left, top, right, bottom});
}

void CRecordingCanvas::Arc(int left, int top, int right, int bottom, int xs, int ys, int xe,
                           int ye) {
    Add(Call::kArc, {left, top, right, bottom, xs, ys, xe, ye});
}

void CRecordingCanvas::MoveToEx(int x, int y) {
    Add(Call::kMoveToEx, {x, y});
    position_ = {x, y};
}

void CRecordingCanvas::LineTo(int x, int y) {
    Add(Call::kLineTo, {x, y});
    position_ = {x, y};
}

void CRecordingCanvas::Polyline(const Point* points, int count) {
    std::vector<int> ints;
    for (int i = 0; i < count; ++i) {
        ints.push_back(points[i].x);
        ints.push_back(points[i].y);
    }
    Add(Call::kPolyline, std::move(ints));
}

void CRecordingCanvas::OutText(int x, int y, TextView text) {
    Add(Call::kOutText, {x, y}).text = Text(text);
}

bool CRecordingCanvas::PushClip(const Rect& clip, Point origin) {
    Add(Call::kPushClip, {clip.left, clip.top, clip.right, clip.bottom, origin.x, origin.y});
    return true;
}

std::unique_ptr<CCanvas> CRecordingCanvas::CreateLayer(int width, int height) {
    int id = int(family_->size());
    family_->push_back(std::make_unique<Recording>(Recording{id, {width, height}, {}}));
    return std::unique_ptr<CCanvas>(new CRecordingCanvas(family_, id));
}

void CRecordingCanvas::BitBlt(int x, int y, int width, int height, const CCanvas& source, int sx,
                              int sy) {
    const auto* from = dynamic_cast<const CRecordingCanvas*>(&source);
    ForgetIfCovered({x, y, x + width, y + height});
    Add(Call::kBitBlt, {x, y, width, height, sx, sy}).source =
        from && from->family_ == family_ ? from->id_ : -1;
}

}  // namespace qz::gfx
