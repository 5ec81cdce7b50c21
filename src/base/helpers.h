// Number texts and impedance arithmetic shared by every part of the library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/text.h"

namespace qz {

// An impedance in rectangular form (ohms) and in polar form (ohms, degrees).
struct RectValue {
    float R = 0, X = 0;
};
struct PolarValue {
    float mag = 0, ang = 0;
};

// The longest leading run of "+-.1234567890" read as a decimal number; 0 when
// it forms none.  Never an error.
float TextToNumber(TextView text);

// The same for `n` characters given by `at(k)` (code units), in one pass.
template <class At>
float ReadDecimal(std::size_t n, At at);

namespace detail {
float NumberFromRun(const char* first, const char* last);
inline bool InRun(unsigned c) {
    return (c >= '0' && c <= '9') || c == '.' || c == '+' || c == '-';
}
inline constexpr double kPow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                    1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
}  // namespace detail

template <class At>
float ReadDecimal(std::size_t n, At at) {
    // Up to 15 digits, such as "%f" writes: the digits as an integer divided
    // by a power of ten, both exact, is one correctly rounded division, the
    // double that the C library's conversion gives.
    std::size_t k = 0;
    bool negative = false;
    if (k < n && (at(k) == '-' || at(k) == '+')) negative = at(k++) == '-';
    std::uint64_t mantissa = 0;
    int digits = 0, decimals = -1;
    for (; k < n; ++k) {
        unsigned c = at(k);
        if (c - '0' < 10u) {
            if (++digits > 15) break;
            mantissa = mantissa * 10 + (c - '0');
            decimals += decimals >= 0;
        } else if (c == '.' && decimals < 0) {
            decimals = 0;
        } else {
            break;
        }
    }
    if (digits == 0) return 0.0f;  // no number: not even a signed zero
    if (digits <= 15) {
        double value = double(mantissa) / detail::kPow10[decimals > 0 ? decimals : 0];
        return float(negative ? -value : value);
    }
    std::string run;
    for (k = 0; k < n && detail::InRun(at(k)); ++k) run += char(at(k));
    return detail::NumberFromRun(run.data(), run.data() + run.size());
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

// Float to int32 the way the x86 conversion does it: toward zero, and the
// "integer indefinite" INT32_MIN for NaN and values out of range.
std::int32_t TruncToInt32(float value);

}  // namespace qz
