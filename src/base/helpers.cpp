#include "base/helpers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

namespace qz {

double detail::DecimalFromRun(const char* first, const char* last) {
    double value = 0;
    auto [end, ec] = std::from_chars(first, last, value, std::chars_format::fixed);
    if (ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: overflow if any integer digit is not 0.
        bool large = false;
        for (const char* q = first; q < last && *q != '.'; ++q) large = large || *q > '0';
        value = large ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return value;
}

float ToSingle(double value) {
    if (std::fabs(value) > std::numeric_limits<float>::max())
        return value < 0 ? -std::numeric_limits<float>::infinity()
                         : std::numeric_limits<float>::infinity();
    return float(value);
}

float TextToNumber(TextView text) {
    return ReadDecimal(text.size(), [&](std::size_t k) { return unsigned(text[k]); });
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
    float t = float(angle * (kPi / 180));
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
        ang = float(std::asin(q) * (180 / kPi));
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

std::int32_t TruncToInt32(double value) {
    if (!(value > -2147483649.0 && value < 2147483648.0)) return INT32_MIN;
    return std::int32_t(value);
}

int TruncToInt(double value, double limit) {
    if (std::isnan(value)) return 0;
    return int(std::clamp(value, -limit, limit));
}

int RoundToInt(double value, double limit) {
    if (std::isnan(value)) return 0;
    return int(std::round(std::clamp(value, -limit, limit)));
}

}  // namespace qz
