#include "base/text.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <vector>

namespace qz {

std::string ToUtf8(TextView text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDFFF) {
            bool paired = c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                          text[i + 1] <= 0xDFFF;
            if (!paired) throw TextError("lone UTF-16 surrogate at unit " + std::to_string(i));
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

namespace {

// Strict, or with each byte that starts no valid sequence as U+FFFD.
Text DecodeUtf8(std::string_view s, bool lossy) {
    Text out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        unsigned char b = s[i];
        char32_t c = b;
        int extra = 0;
        if (b >= 0xC2 && b <= 0xDF) {
            c = b & 0x1F, extra = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            c = b & 0x0F, extra = 2;
        } else if (b >= 0xF0 && b <= 0xF4) {
            c = b & 0x07, extra = 3;
        }
        bool ok = b < 0x80 || extra > 0;
        if (ok && i + extra >= s.size() + (extra == 0)) ok = false;
        for (int k = 1; ok && k <= extra; ++k) {
            unsigned char t = s[i + k];
            if ((t & 0xC0) != 0x80) ok = false;
            c = (c << 6) | (t & 0x3F);
        }
        bool overlong = (extra == 2 && c < 0x800) || (extra == 3 && c < 0x10000);
        if (ok && (overlong || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))) ok = false;
        if (!ok) {
            if (!lossy) throw TextError("invalid UTF-8 at byte " + std::to_string(i));
            out += char16_t(0xFFFD);
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            out += char16_t(0xD800 + ((c - 0x10000) >> 10));
            out += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += char16_t(c);
        }
        i += extra + 1;
    }
    return out;
}

}  // namespace

Text FromUtf8(std::string_view s) {
    return DecodeUtf8(s, false);
}

Text FromUtf8Lossy(std::string_view s) {
    return DecodeUtf8(s, true);
}

std::string ToUtf8Lossy(TextView text) {
    Text clean(text);
    for (std::size_t i = 0; i < clean.size(); ++i) {
        char16_t c = clean[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < clean.size() && clean[i + 1] >= 0xDC00 &&
            clean[i + 1] <= 0xDFFF)
            ++i;
        else if (c >= 0xD800 && c <= 0xDFFF)
            clean[i] = u'\uFFFD';
    }
    return ToUtf8(clean);
}

Text FitText(TextView text, std::size_t maxLength) {
    text = text.substr(0, text.find(u'\0'));
    if (text.size() > maxLength) {
        std::size_t n = maxLength;
        if (n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
        text = text.substr(0, n);
    }
    return Text(text);
}

Text FromAscii(std::string_view ascii) {
    return Text(ascii.begin(), ascii.end());
}

namespace {

// The double-byte characters of code page 936 by lead byte.
constexpr const char16_t* kCp936[] = {
#include "base/cp936_table.inc"
};
static_assert(std::size(kCp936) == 0xFE - 0x81 + 1);

#include "base/gb18030_table.inc"

}  // namespace

// One table on every build: the system's converter would decode by the
// process's code page (Latin-1 under an English locale) and each runtime
// replaces bad bytes its own way.
Text FromAnsi(std::string_view bytes) {
    Text out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            out += char16_t(b);
            continue;
        }
        if (b == 0x80) {
            out += u'\u20AC';  // the euro sign, the code page's one single byte above ASCII
            continue;
        }
        char16_t c = u'\uFFFD';
        if (b != 0xFF && i + 1 < bytes.size()) {
            auto t = static_cast<unsigned char>(bytes[i + 1]);
            if (t >= 0x40 && t <= 0xFE && t != 0x7F) {
                c = kCp936[b - 0x81][t - (t < 0x80 ? 0x40 : 0x41)];
                if (c != u'\uFFFD') ++i;
            }
        }
        // A byte that starts no character is replaced alone; the next is read afresh.
        out += c;
    }
    return out;
}

Text FromGb18030(std::string_view bytes) {
    Text out;
    out.reserve(bytes.size());
    auto at = [&](std::size_t k) {
        return k < bytes.size() ? unsigned(static_cast<unsigned char>(bytes[k])) : 0u;
    };
    auto put = [&](char32_t c) {
        if (c < 0x10000) {
            out += char16_t(c);
        } else {
            out += char16_t(0xD800 + ((c - 0x10000) >> 10));
            out += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
    };
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        unsigned b = at(i);
        if (b < 0x80) {
            out += char16_t(b);
            continue;
        }
        char32_t c = 0xFFFD;
        unsigned t = at(i + 1);
        if (b == 0x80 || b == 0xFF) {
            // no lead byte
        } else if (t - 0x30 < 10u) {
            unsigned t3 = at(i + 2), t4 = at(i + 3);
            if (t3 - 0x81 < 0x7Eu && t4 - 0x30 < 10u) {
                std::uint32_t index =
                    (((b - 0x81) * 10 + (t - 0x30)) * 126 + (t3 - 0x81)) * 10 + (t4 - 0x30);
                constexpr std::uint32_t kBmpCodes = 39420, kPlanesFrom = (0x90 - 0x81) * 12600;
                if (index < kBmpCodes) {
                    auto run = std::upper_bound(
                        std::begin(kGb18030Runs), std::end(kGb18030Runs), index,
                        [](std::uint32_t k, const auto& r) { return k < r.first; });
                    --run;  // the first run starts at 0
                    if (run->c != 0) c = char32_t(run->c + (index - run->first));
                } else if (index >= kPlanesFrom && index - kPlanesFrom <= 0x10FFFF - 0x10000) {
                    c = 0x10000 + (index - kPlanesFrom);
                }
                // A well-formed four-byte code is one character, assigned or not.
                i += 3;
            }
        } else if (t >= 0x40 && t <= 0xFE && t != 0x7F) {
            c = kCp936[b - 0x81][t - (t < 0x80 ? 0x40 : 0x41)];
            if (c == 0xFFFD) {
                auto code = std::uint16_t(b << 8 | t);
                auto pair =
                    std::lower_bound(std::begin(kGb18030Pairs), std::end(kGb18030Pairs), code,
                                     [](const auto& p, std::uint16_t k) { return p.code < k; });
                if (pair != std::end(kGb18030Pairs) && pair->code == code) c = pair->c;
            }
            if (c != 0xFFFD) ++i;
        }
        put(c);
    }
    return out;
}

static std::string VFormat(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    char small[256];
    int n = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (n < 0) throw TextError("bad format");
    if (std::size_t(n) < sizeof small) return std::string(small, std::size_t(n));
    std::string out(std::size_t(n) + 1, '\0');
    std::vsnprintf(out.data(), out.size(), format, args);
    out.resize(std::size_t(n));
    return out;
}

std::string FormatUtf8(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string s = VFormat(format, args);
    va_end(args);
    return s;
}

Text Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string s = VFormat(format, args);
    va_end(args);
    return FromUtf8(s);
}

}  // namespace qz
