#include "base/quote.h"

#include <vector>

namespace qz {

namespace {

// A character of the quoted text, or a unit that is none (a byte that does
// not decode, a lone surrogate).
struct Item {
    char32_t value;
    enum Kind { kChar, kBadByte, kLoneSurrogate } kind;
};

void AppendItems(TextView text, std::vector<Item>& items) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            items.push_back({0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00), Item::kChar});
        } else {
            bool lone = c >= 0xD800 && c <= 0xDFFF;
            items.push_back({c, lone ? Item::kLoneSurrogate : Item::kChar});
        }
    }
}

// C0 and C1 controls, line and paragraph separators, and the marks and
// embeddings that turn the direction of what follows.
bool Escaped(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0x061C || c == 0x200E || c == 0x200F ||
           (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0xFEFF;
}

std::string Render(const std::vector<Item>& items) {
    std::vector<Item> shown;
    if (items.size() <= kQuotedLength) {
        shown = items;
    } else {
        const auto half = std::ptrdiff_t(kQuotedLength / 2);
        shown.assign(items.begin(), items.begin() + half);
        shown.push_back({U'…', Item::kChar});
        shown.insert(shown.end(), items.end() - half, items.end());
    }
    Text text;
    for (const Item& item : shown) {
        char32_t c = item.value;
        if (item.kind == Item::kBadByte) {
            text += Format("\\x%02X", unsigned(c));
        } else if (item.kind == Item::kLoneSurrogate || Escaped(c)) {
            text += c == U'\n'   ? Text(u"\\n")
                    : c == U'\r' ? Text(u"\\r")
                    : c == U'\t' ? Text(u"\\t")
                                 : Format("\\u%04X", unsigned(c));
        } else if (c >= 0x10000) {
            text += char16_t(0xD800 + ((c - 0x10000) >> 10));
            text += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            text += char16_t(c);
        }
    }
    return ToUtf8(text);
}

}  // namespace

std::string QuoteForMessage(TextView text) {
    std::vector<Item> items;
    AppendItems(text, items);
    return Render(items);
}

std::string QuoteForMessage(std::string_view utf8) {
    try {
        return QuoteForMessage(FromUtf8(utf8));
    } catch (const TextError&) {
    }
    // Not UTF-8 as a whole: each shortest sequence that decodes, else one byte.
    std::vector<Item> items;
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t n = 1;
        Text decoded;
        for (; n <= 4 && i + n <= utf8.size() && decoded.empty(); ++n) {
            try {
                decoded = FromUtf8(utf8.substr(i, n));
            } catch (const TextError&) {
            }
        }
        if (decoded.empty()) {
            items.push_back({char32_t(static_cast<unsigned char>(utf8[i])), Item::kBadByte});
            ++i;
        } else {
            AppendItems(decoded, items);
            i += n - 1;
        }
    }
    return Render(items);
}

}  // namespace qz
