// Any bytes as a setting formula, under any mode and setting values.
// Layout: byte 0 the mode (signed), byte 1 unused, bytes 2..13 the three
// values as raw floats, the rest the formula as UTF-16LE units.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "formula/formula_parser.h"
#include "records/setting.h"

namespace {

bool Same(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool IsNote(qz::TextView text) {
    return text.empty() || text == u" (Division durch Null)" ||
           text == u" (keine Wurzel aus neg. Zahl)" || text == u"(Ein Error wurde abgefangen)";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kHeader = 14;
    std::int32_t mode = 0;
    float values[3] = {10, 60, 0};
    if (size >= kHeader) {
        mode = std::int8_t(data[0]);
        std::memcpy(values, data + 2, sizeof values);
        data += kHeader;
        size -= kHeader;
    }
    qz::Text formula(size / 2, u'\0');
    for (std::size_t i = 0; i < formula.size(); ++i)
        formula[i] = char16_t(data[2 * i] | data[2 * i + 1] << 8);

    qz::CFormulaParser parser;
    qz::BindSetting(parser, {mode, values[0], values[1], values[2]});
    std::uint16_t position = 0;
    qz::Text text;
    double value = parser.Evaluate(formula, position, text);

    // What one evaluation reports must hang together.
    bool failed = text.rfind(u"Error in Calculation() weil ", 0) == 0;
    bool stopped = text.rfind(u"Error an Position ", 0) == 0;
    if (failed && value != 0) std::abort();
    if (position == 0 && !IsNote(text)) std::abort();
    if (position != 0 && !failed && !stopped) std::abort();
    if (stopped && position == 0) std::abort();
    if (position > formula.size() + 1) std::abort();
    if (text.size() > 28 + 255) std::abort();

    // Nothing of one evaluation may leak into the next.
    std::uint16_t position2 = 0;
    qz::Text text2 = u"stale";
    parser.Evaluate(u"7", position2, text2);
    if (position2 != 0 || !text2.empty()) std::abort();
    double value2 = parser.Evaluate(formula, position2, text2);
    if (!Same(value, value2) || position != position2 || text != text2) std::abort();
    return 0;
}
