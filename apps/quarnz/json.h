// Numbers for quarnz's JSON output.
#pragma once

#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>
#include <string>

namespace quarnz {

// The value's shortest decimal text, so 0.05f shows as 0.05; null when it is
// not finite.
template <class Real>
nlohmann::ordered_json Number(Real v) {
    char buf[32];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    if (ec != std::errc() || !std::isfinite(v)) return nullptr;
    return std::stod(std::string(buf, end));
}

}  // namespace quarnz
