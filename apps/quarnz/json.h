// Numbers in quarnz's JSON, written and read by one rule.
#pragma once

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace quarnz {

// The value's shortest decimal text, so 0.05f shows as 0.05.  JSON has no
// infinities and no NaN: they are the strings "inf", "-inf" and "nan", which
// NumberFrom reads back.
template <class Real>
nlohmann::ordered_json Number(Real v) {
    if (std::isnan(v)) return "nan";
    if (std::isinf(v)) return v < 0 ? "-inf" : "inf";
    char buf[32];
    auto end = std::to_chars(buf, buf + sizeof buf, v).ptr;
    return std::stod(std::string(buf, end));
}

// A number as Number writes it; nothing for any other value.
template <class Json>
std::optional<double> NumberFrom(const Json& v) {
    if (v.is_number()) return v.template get<double>();
    if (v == "inf") return INFINITY;
    if (v == "-inf") return -INFINITY;
    if (v == "nan") return NAN;
    return std::nullopt;
}

// The quiet NaN that "nan" stands for when a float's bits matter.
inline constexpr std::uint32_t kPlainNanBits = 0x7FC00000;

// A stored float with its bits: Number's form, but a NaN other than the
// plain one is "nan:0x" and its bits in eight hex digits.  By reference and
// memory alone, as the archive takes floats, so that no NaN is quieted.
inline nlohmann::ordered_json ExactNumber(const float& v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    if (!std::isnan(v) || bits == kPlainNanBits) return Number(v);
    char text[24];
    std::snprintf(text, sizeof text, "nan:0x%08x", unsigned(bits));
    return text;
}

// A float as ExactNumber (or Number) writes it, into `out` by its bits;
// false, leaving `out` alone, for any other value or one beyond a float's
// range.  A decimal reads as the float whose shortest text it is, so every
// float comes back as it was written; any other decimal as its nearest float.
template <class Json>
bool FloatFrom(const Json& v, float& out) {
    std::uint32_t bits;
    if (v.is_string()) {
        const std::string& s = v.template get_ref<const std::string&>();
        if (s == "nan") {
            bits = kPlainNanBits;
        } else if (s.size() == 14 && s.compare(0, 6, "nan:0x") == 0) {
            auto [end, error] = std::from_chars(s.data() + 6, s.data() + 14, bits, 16);
            if (error != std::errc() || end != s.data() + 14 || (bits & 0x7F800000) != 0x7F800000 ||
                (bits & 0x7FFFFF) == 0)
                return false;
        } else {
            std::optional<double> d = NumberFrom(v);
            if (!d) return false;
            out = float(*d);
            return true;
        }
        std::memcpy(&out, &bits, sizeof bits);
        return true;
    }
    std::optional<double> d = NumberFrom(v);
    if (!d) return false;
    // The largest float's shortest text lies beyond it.
    bool beyond = std::fabs(*d) > FLT_MAX;
    float f = beyond ? (*d < 0 ? -FLT_MAX : FLT_MAX) : float(*d);
    // The double of a float's shortest text can round, as a float, to a neighbour.
    for (float candidate : {f, std::nextafter(f, -INFINITY), std::nextafter(f, INFINITY)})
        if (Number(candidate) == *d) return out = candidate, true;
    if (beyond) return false;
    out = f;
    return true;
}

// A whole number from `low` to `high`; nothing for any other value.
template <class Json>
std::optional<std::int32_t> Int32From(const Json& v, std::int64_t low, std::int64_t high) {
    if (v.is_number_unsigned() && v.template get<std::uint64_t>() <= std::uint64_t(high))
        return static_cast<std::int32_t>(v.template get<std::uint64_t>());
    if (v.is_number_integer() && !v.is_number_unsigned() && v.template get<std::int64_t>() >= low &&
        v.template get<std::int64_t>() <= high)
        return static_cast<std::int32_t>(v.template get<std::int64_t>());
    return std::nullopt;
}

}  // namespace quarnz
