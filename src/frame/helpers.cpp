#include "frame/helpers.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

namespace qz {

namespace {

bool InRun(unsigned c) {
    return (c >= '0' && c <= '9') || c == '.' || c == '+' || c == '-';
}

// Exact powers of ten as doubles.
constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

}  // namespace

float NumberFromRun(const char* first, const char* last) {
    bool negative = false;
    if (first < last && (*first == '+' || *first == '-')) negative = *first++ == '-';
    if (first < last && (*first == '+' || *first == '-')) return 0.0f;
    // Short runs such as "%f" writes them: the digits as an integer divided by
    // a power of ten, both exact, is one correctly rounded division, the same
    // double the C library's conversion gives.
    std::uint64_t mantissa = 0;
    int digits = 0, decimals = -1;
    const char* p = first;
    for (; p < last; ++p) {
        if (*p == '.') {
            if (decimals >= 0) break;
            decimals = 0;
        } else if (*p >= '0' && *p <= '9') {
            if (++digits > 15) break;
            mantissa = mantissa * 10 + unsigned(*p - '0');
            if (decimals >= 0) ++decimals;
        } else {
            break;
        }
    }
    double value;
    if (digits <= 15) {
        if (digits == 0) return 0.0f;
        value = double(mantissa) / kPow10[decimals > 0 ? decimals : 0];
    } else {
        auto [end, ec] = std::from_chars(first, last, value, std::chars_format::fixed);
        if (ec == std::errc::invalid_argument) return 0.0f;
        if (ec == std::errc::result_out_of_range) {
            // Too large or too small for a double: overflow if any integer digit is not 0.
            bool large = false;
            for (const char* q = first; q < last && *q != '.'; ++q) large = large || *q > '0';
            value = large ? std::numeric_limits<double>::infinity() : 0.0;
        }
    }
    if (negative) value = -value;
    if (std::fabs(value) > std::numeric_limits<float>::max())
        return value < 0 ? -std::numeric_limits<float>::infinity()
                         : std::numeric_limits<float>::infinity();
    return float(value);
}

float TextToNumber(TextView text) {
    char small[64];
    std::size_t n = 0;
    while (n < text.size() && n < sizeof small && InRun(text[n])) small[n] = char(text[n]), ++n;
    if (n < sizeof small || n == text.size() || !InRun(text[n]))
        return NumberFromRun(small, small + n);
    std::string run(small, n);
    for (; n < text.size() && InRun(text[n]); ++n) run += char(text[n]);
    return NumberFromRun(run.data(), run.data() + run.size());
}

float ClampOrWrap(float value, float maximum, float minimum) {
    if (maximum == 360.0f && minimum == -360.0f) return std::fmod(value, 360.0f);
    if (value > maximum) value = maximum;
    if (value < minimum) value = minimum;
    return value;
}

float TextToNumberInRange(TextView text, float maximum, float minimum) {
    return ClampOrWrap(TextToNumber(text), maximum, minimum);
}

RectValue PolarToRect(float magnitude, float angle) {
    float t = float(angle * 0.017453292519943295);
    RectValue v{float(magnitude * std::cos(double(t))), float(magnitude * std::sin(double(t)))};
    if (std::fabs(v.R) <= 0.00001f) v.R = 0;
    if (std::fabs(v.X) <= 0.00001f) v.X = 0;
    return v;
}

PolarValue RectToPolar(float R, float X) {
    float m = std::sqrt(R * R + X * X);
    float ang = 0;
    if (m > 0.00001f) {
        // Rounding can put |X| a hair above m; asin must not see that.
        float q = std::fmax(-1.0f, std::fmin(1.0f, X / m));
        ang = float(std::asin(q) * 57.29577951308232);
    }
    if (R < 0) ang = X > 0 ? 180 - ang : -180 - ang;
    return {m, ang};
}

PolarValue AddPolar(PolarValue a, PolarValue b) {
    RectValue p = PolarToRect(a.mag, a.ang), q = PolarToRect(b.mag, b.ang);
    return RectToPolar(p.R + q.R, p.X + q.X);
}

PolarValue SubPolar(PolarValue a, PolarValue b) {
    RectValue p = PolarToRect(a.mag, a.ang), q = PolarToRect(b.mag, b.ang);
    return RectToPolar(p.R - q.R, p.X - q.X);
}

std::size_t FormatFixed6(float value, char* out) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    int exponent = int(bits >> 23 & 0xFF);
    // Large values and NaN or infinity: the C library, rarely needed.
    if (exponent == 0xFF || std::fabs(value) >= 4294967296.0f)
        return std::size_t(std::snprintf(out, 64, "%f", double(value)));
    // value = mantissa * 2^-shift exactly; scaled by 10^6 it is an integer
    // divided by a power of two, rounded half to even.
    std::uint64_t mantissa = bits & 0x7FFFFF;
    if (exponent) mantissa |= 0x800000;
    int shift = 150 - (exponent ? exponent : 1);
    std::uint64_t scaled = mantissa * 1000000;
    std::uint64_t q;
    if (shift <= 0) {
        q = scaled << -shift;
    } else if (shift >= 64) {
        q = 0;  // below 2^-40: rounds to zero
    } else {
        q = scaled >> shift;
        std::uint64_t rest = scaled & ((std::uint64_t(1) << shift) - 1);
        std::uint64_t half = std::uint64_t(1) << (shift - 1);
        if (rest > half || (rest == half && (q & 1))) ++q;
    }
    char* p = out;
    if (bits >> 31) *p++ = '-';
    p = std::to_chars(p, out + 64, q / 1000000).ptr;
    *p++ = '.';
    std::uint64_t fraction = q % 1000000;
    for (int i = 5; i >= 0; --i, fraction /= 10) p[i] = char('0' + fraction % 10);
    return std::size_t(p + 6 - out);
}

std::int32_t TruncToInt32(float value) {
    if (!(value > -2147483904.0f && value < 2147483648.0f)) return INT32_MIN;
    return std::int32_t(value);
}

}  // namespace qz
