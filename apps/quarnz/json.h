// Numbers in quarnz's JSON, written and read by one rule.
#pragma once

#include <charconv>
#include <cmath>
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

}  // namespace quarnz
