#include "resources/bitmaps.h"

#include <algorithm>
#include <iterator>

namespace qz::res {

namespace {

using S = Stroke;

// Bitmap 1003: a closed folder (the root and the group levels), an open
// folder, and a page of text (the zones).
constexpr char kTreeImages[] =
    "ffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff"
    "ffffffffffffffffffffffffffffffffffffffffffff0000000000ffffff"
    "ffffffffffffffffffffffffffffffffffffffffffff0ffffffff00fffff"
    "fff000000ffffffffffffff000000fffffffffffffff0ffffffff0f0ffff"
    "ff0bbbbbb0ffffffffffff0bbbbbb0ffffffffffffff0ffffffff0000fff"
    "f0bbbbbbbb00000000fff0bbbbbbbb0000000fffffff0ffffffffffff0ff"
    "f0bbbbbbbbbbbbbbbb0ff0bbbbbbbbbbbbbbb0ffffff0ff000000000f0ff"
    "f0bffffffffffffffb0ff0bbb000000000000000ffff0ffffffffffff0ff"
    "f0bbbbbbbbbbbbbbbb0ff0bb0bbbbbbbbbbbbbb0ffff0ff000000000f0ff"
    "f0bbbbbbbbbbbbbbbb0ff0bb0bbbbbbbbbbbbb0fffff0ffffffffffff0ff"
    "f0bbbbbbbbbbbbbbbb0ff0b0bbbbbbbbbbbbbb0fffff0ff000000000f0ff"
    "f0bbbbbbbbbbbbbbbb0ff0b0bbbbbbbbbbbbb0ffffff0ffffffffffff0ff"
    "f0bbbbbbbbbbbbbbbb0ff00bbbbbbbbbbbbbb0ffffff0ff000000000f0ff"
    "f0bbbbbbbbbbbbbbbb0ff00bbbbbbbbbbbbb0fffffff0ffffffffffff0ff"
    "f0bbbbbbbbbbbbbbb30ff0bbbbbbbbbbbbbb0fffffff0ff0000000fff0ff"
    "f0b3333333333333330ff0333333333333330fffffff0ffffffffffff0ff"
    "f000000000000000000ff00000000000000000ffffff0ffffffffffff0ff"
    "ffffffffffffffffffffffffffffffffffffffffffff00000000000000ff"
    "ffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff"
    "ffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff";

constexpr PixelBitmap kPixelBitmaps[] = {
    {kBmpTreeImages, kTreeImageSize* kTreeImageCount, kTreeImageSize, kTreeImages},
};

constexpr int kBlack = 0, kRed = 9, kBlue = 12, kWhite = 15;

// Bitmap 1004: a straight line through the point Z, at the inclination θ
// to the R axis.
constexpr Stroke kLineStrokes[] = {
    {S::kArrow, kBlack, 8, 95, 154, 95},
    {S::kArrow, kBlack, 40, 120, 40, 6},
    {S::kText, kBlack, 146, 98, 0, 0, 0, 0, 0, 0, u"R"},
    {S::kText, kBlack, 45, 2, 0, 0, 0, 0, 0, 0, u"X"},
    {S::kLine, kBlue, 64, 104, 122, 4},
    {S::kArc, kRed, 53, 79, 86, 112, 86, 95, 76, 83},
    {S::kText, kRed, 88, 76, 0, 0, 0, 0, 0, 0, u"θ"},
    {S::kDot, kBlue, 95, 50},
    {S::kText, kBlack, 101, 42, 0, 0, 0, 0, 0, 0, u"Z"},
};

// Bitmap 1005: the circle on the chord Z = Z1 - Z2.
constexpr Stroke kMhoStrokes[] = {
    {S::kArrow, kBlack, 4, 150, 156, 150},
    {S::kArrow, kBlack, 50, 204, 50, 6},
    {S::kText, kBlack, 148, 153, 0, 0, 0, 0, 0, 0, u"R"},
    {S::kText, kBlack, 55, 2, 0, 0, 0, 0, 0, 0, u"X"},
    {S::kEllipse, kBlue, 2, 42, 136, 176},
    {S::kLine, kRed, 100, 50, 38, 168},
    {S::kText, kRed, 74, 96, 0, 0, 0, 0, 0, 0, u"Z"},
    {S::kDot, kBlue, 100, 50},
    {S::kDot, kBlue, 38, 168},
    {S::kText, kBlack, 106, 38, 0, 0, 0, 0, 0, 0, u"Z1"},
    {S::kText, kBlack, 18, 172, 0, 0, 0, 0, 0, 0, u"Z2"},
    {S::kText, kRed, 112, 120, 0, 0, 0, 0, 0, 0, u"θ"},
};

// Bitmap 1006: the lens with its long axis B = Z1 - Z2 and its width A.
constexpr Stroke kLensStrokes[] = {
    {S::kArrow, kBlack, 4, 150, 156, 150},
    {S::kArrow, kBlack, 50, 204, 50, 6},
    {S::kText, kBlack, 148, 153, 0, 0, 0, 0, 0, 0, u"R"},
    {S::kText, kBlack, 55, 2, 0, 0, 0, 0, 0, 0, u"X"},
    {S::kArc, kBlue, 38, 38, 248, 248, 104, 45, 40, 165},
    {S::kArc, kBlue, -104, -38, 106, 172, 40, 165, 104, 45},
    {S::kLine, kRed, 104, 45, 40, 165},
    {S::kLine, kRed, 50, 93, 94, 117},
    {S::kText, kRed, 96, 112, 0, 0, 0, 0, 0, 0, u"A"},
    {S::kText, kRed, 60, 64, 0, 0, 0, 0, 0, 0, u"B"},
    {S::kDot, kBlue, 104, 45},
    {S::kDot, kBlue, 40, 165},
    {S::kText, kBlack, 110, 34, 0, 0, 0, 0, 0, 0, u"Z1"},
    {S::kText, kBlack, 20, 168, 0, 0, 0, 0, 0, 0, u"Z2"},
};

constexpr Picture kPictures[] = {
    {kBmpLine, 162, 126, kWhite, kLineStrokes},
    {kBmpMho, 162, 207, kWhite, kMhoStrokes},
    {kBmpLens, 162, 207, kWhite, kLensStrokes},
};

int HexValue(char c) {
    return c <= '9' ? c - '0' : c - 'a' + 10;
}

}  // namespace

int PixelBitmap::Index(int x, int y) const {
    return HexValue(pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)]);
}

const PixelBitmap* FindPixelBitmap(int id) {
    auto it = std::ranges::find(kPixelBitmaps, id, &PixelBitmap::id);
    return it == std::end(kPixelBitmaps) ? nullptr : &*it;
}

const Picture* FindPicture(int id) {
    auto it = std::ranges::find(kPictures, id, &Picture::id);
    return it == std::end(kPictures) ? nullptr : &*it;
}

}  // namespace qz::res
