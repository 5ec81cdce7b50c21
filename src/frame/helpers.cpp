#include "frame/helpers.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace qz {

float TextToNumber(TextView text) {
    std::string run;
    for (char16_t c : text) {
        if (!((c >= u'0' && c <= u'9') || c == u'.' || c == u'+' || c == u'-')) break;
        run += char(c);
    }
    std::size_t i = 0;
    bool negative = false;
    if (i < run.size() && (run[i] == '+' || run[i] == '-')) negative = run[i++] == '-';
    const char* first = run.data() + i;
    const char* last = run.data() + run.size();
    if (first < last && (*first == '+' || *first == '-')) return 0.0f;
    double value = 0;
    auto [end, ec] = std::from_chars(first, last, value, std::chars_format::fixed);
    if (ec == std::errc::invalid_argument) return 0.0f;
    if (ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: overflow if any integer digit is not 0.
        bool large = false;
        for (const char* p = first; p < last && *p != '.'; ++p) large = large || *p > '0';
        value = large ? std::numeric_limits<double>::infinity() : 0.0;
    }
    if (negative) value = -value;
    if (std::fabs(value) > std::numeric_limits<float>::max())
        return value < 0 ? -std::numeric_limits<float>::infinity()
                         : std::numeric_limits<float>::infinity();
    return float(value);
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

std::int32_t TruncToInt32(float value) {
    if (!(value > -2147483904.0f && value < 2147483648.0f)) return INT32_MIN;
    return std::int32_t(value);
}

}  // namespace qz
