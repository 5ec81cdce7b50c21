// Number texts and impedance arithmetic shared by every part of the library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/pixel_limits.h"
#include "base/text.h"

namespace qz {

// An impedance in rectangular form (ohms) and in polar form (ohms, degrees).
struct RectValue {
    float R = 0, X = 0;
};
struct PolarValue {
    float mag = 0, ang = 0;
};

// π, for every conversion between degrees and radians.
inline constexpr double kPi = 3.141592653589793;

// The longest leading run of "+-.1234567890" read as a decimal number; 0 when
// it forms none.  Never an error.
float TextToNumber(TextView text);

// The same for `n` characters given by `at(k)` (code units), in one pass.
template <class At>
float ReadDecimal(std::size_t n, At at);

// The decimal number at the start of `n` characters given by `at(k)`: digits
// with at most one point, no sign and no exponent, correctly rounded to a
// double as the C library's strtod rounds it (an infinity past the double
// range).  0 when it has no digit; `digits` tells how many it had.
template <class At>
double ReadUnsignedDecimal(std::size_t n, At at, std::size_t& digits);

// A double rounded to single precision; beyond the float range it becomes an
// infinity of its sign instead of a conversion the language leaves undefined.
float ToSingle(double value);

namespace detail {
// The slow path of ReadUnsignedDecimal: the ASCII run it scanned.
double DecimalFromRun(const char* first, const char* last);
inline constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                    1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                    1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
}  // namespace detail

template <class At>
double ReadUnsignedDecimal(std::size_t n, At at, std::size_t& digits) {
    std::size_t end = 0, decimals = 0;
    bool point = false;
    std::uint64_t mantissa = 0;
    digits = 0;
    for (; end < n; ++end) {
        unsigned c = at(end);
        if (c - '0' < 10u) {
            if (digits < 19) mantissa = mantissa * 10 + (c - '0');
            ++digits;
            decimals += point;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (digits == 0) return 0;
    // Both operands exact, so the one rounding of the division is the correct one.
    if (digits <= 19 && mantissa < (std::uint64_t(1) << 53) && decimals <= 22)
        return double(mantissa) / detail::kPow10[decimals];
    std::string run(end, '\0');
    for (std::size_t k = 0; k < end; ++k) run[k] = char(at(k));
    return detail::DecimalFromRun(run.data(), run.data() + run.size());
}

template <class At>
float ReadDecimal(std::size_t n, At at) {
    std::size_t k = 0;
    bool negative = false;
    if (k < n && (at(k) == '-' || at(k) == '+')) negative = at(k++) == '-';
    std::size_t digits;
    double value = ReadUnsignedDecimal(
        n - k, [&](std::size_t i) { return at(k + i); }, digits);
    if (digits == 0) return 0.0f;  // no number: not even a signed zero
    return ToSingle(negative ? -value : value);
}

float TextToNumberInRange(TextView text, float maximum, float minimum);
// Limits to [minimum, maximum], or wraps by 360 when the limits are 360 and -360.
float ClampOrWrap(float value, float maximum, float minimum);

RectValue PolarToRect(float magnitude, float angle);
PolarValue RectToPolar(float R, float X);
PolarValue AddPolar(PolarValue a, PolarValue b);
PolarValue SubPolar(PolarValue a, PolarValue b);

// "%f" of the float widened to double (six decimals, rounded half to even
// as the C library does) into `out` (at least 64 chars); returns the length.
std::size_t FormatFixed6(float value, char* out);

// To int32 the way the x86 conversion does it: toward zero, and the "integer
// indefinite" INT32_MIN for NaN and values out of range.  What the stored
// files and the formulas' INT give.
std::int32_t TruncToInt32(double value);

// Pixel conversions that cannot leave int: NaN gives 0, and the value is
// first limited to [-limit, limit].  Toward zero, and to the nearest with
// halves away from zero (as lround).
int TruncToInt(double value, double limit = kIntLimit);
int RoundToInt(double value, double limit = kIntLimit);

}  // namespace qz
