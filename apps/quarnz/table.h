// Numbers and texts in quarnz's tables and CSV.
#pragma once

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

namespace quarnz {

// The shortest text that reads back as the value, as CSV gives numbers.
inline std::string Shortest(double v) {
    if (std::isnan(v)) return "nan";
    if (std::isinf(v)) return v < 0 ? "-inf" : "inf";
    char buf[32];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

// The table's text of a number: seven significant digits, as a reader wants.
inline std::string Short(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.7g", v);
    return buf;
}

// The column's text, padded to `width` and at least two spaces from the next.
inline std::string Padded(std::string text, std::size_t width) {
    text.append(text.size() + 2 < width ? width - text.size() : 2, ' ');
    return text;
}

// A CSV field, quoted when it holds a separator or a quote.
inline std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\n\r") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

}  // namespace quarnz
