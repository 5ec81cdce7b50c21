// How far pixel values may go, all in one place: each limit keeps a
// coordinate or a size within what the next stage can take, and they stay
// in this order.
#pragma once

namespace qz {

// A bitmap's side: as far as GDI's and Cairo's image surfaces go.
inline constexpr int kMaxBitmapSide = 32767;
// Wine's GDI allocates by the size of an ellipse's box and falls over on
// boxes of a million pixels (Windows refuses coordinates beyond 2^27); larger
// curves are drawn as fine polylines cut to the bitmap.
inline constexpr int kNativeCurveLimit = 1 << 16;
// Every drawn coordinate stays within this of the layer's corner: device
// coordinate spaces are narrower than int (Cairo keeps coordinates in 24.8
// fixed point and wraps beyond it, GDI ends near 2^27).
inline constexpr double kPixelLimit = 4194304.0;  // 2^22
// Pixel conversions that cannot leave int (TruncToInt, RoundToInt).
inline constexpr double kIntLimit = 1073741824.0;  // 2^30
// Segments with both ends beyond this many pixels are not drawn (see DrawSegment).
inline constexpr double kFarLimit = 1e12;

static_assert(kMaxBitmapSide < kNativeCurveLimit && kNativeCurveLimit < kPixelLimit &&
              kPixelLimit < kIntLimit && kIntLimit < kFarLimit);

}  // namespace qz
