// UTF-16 texts and their conversions at the edges of the system.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace qz {

using Text = std::u16string;
using TextView = std::u16string_view;

// Raised when bytes at an edge are not the text they claim to be.
struct TextError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Strict conversions: invalid UTF-8 or a lone surrogate raise TextError.
std::string ToUtf8(TextView text);
Text FromUtf8(std::string_view utf8);
// For messages: a lone surrogate, or a byte that starts no valid sequence,
// becomes U+FFFD instead of an error.
std::string ToUtf8Lossy(TextView text);
Text FromUtf8Lossy(std::string_view utf8);

// Widens plain ASCII (formats, numbers); other bytes are a programming error.
Text FromAscii(std::string_view ascii);

// Decodes 8-bit text in the ANSI code page of the hosts that write our
// files, 936 (GBK), the same on every build and in every locale.  A byte
// that starts no character becomes U+FFFD, and decoding goes on after it.
Text FromAnsi(std::string_view bytes);
// GB18030, as Chinese recorders write their texts: code page 936's pairs and
// the rest of the standard's, its four-byte codes up to U+10FFFF.  Bad bytes
// as in FromAnsi; an unassigned four-byte code is one U+FFFD.
Text FromGb18030(std::string_view bytes);

// The Windows build formats with mingw's C99 printf, not the system's.
#ifdef __MINGW32__
#define QZ_PRINTF_FORMAT gnu_printf
#else
#define QZ_PRINTF_FORMAT printf
#endif

// printf into UTF-16.  The format is UTF-8; "%s" takes UTF-8 char pointers.
Text Format(const char* format, ...) __attribute__((format(QZ_PRINTF_FORMAT, 1, 2)));
std::string FormatUtf8(const char* format, ...) __attribute__((format(QZ_PRINTF_FORMAT, 1, 2)));

// `text` up to its first NUL, cut to at most `maxLength` units without
// splitting a surrogate pair.
Text FitText(TextView text, std::size_t maxLength);

// A fixed text field of Capacity UTF-16 units including its terminating NUL:
// anything assigned is cut at a NUL and to Capacity - 1 units, never in the
// middle of a surrogate pair.
template <std::size_t Capacity>
class TextField {
  public:
    static constexpr std::size_t kMaxLength = Capacity - 1;

    TextField() = default;
    TextField(TextView text) { Assign(text); }
    TextField(const char16_t* text) { Assign(text); }
    TextField(const Text& text) { Assign(text); }
    TextField& operator=(TextView text) {
        Assign(text);
        return *this;
    }
    TextField& operator=(const char16_t* text) { return *this = TextView(text); }
    TextField& operator=(const Text& text) { return *this = TextView(text); }
    // Reuses the text's storage when it fits as it is.
    TextField& operator=(Text&& text) {
        if (text.size() <= kMaxLength && text.find(u'\0') == Text::npos)
            text_ = std::move(text);
        else
            Assign(text);
        return *this;
    }

    const Text& str() const { return text_; }
    operator TextView() const { return text_; }
    bool empty() const { return text_.empty(); }
    std::size_t size() const { return text_.size(); }
    friend bool operator==(const TextField& a, TextView b) { return TextView(a.text_) == b; }

  private:
    void Assign(TextView text) {
        if (text.size() <= kMaxLength && text.find(u'\0') == TextView::npos)
            text_.assign(text);
        else
            text_ = FitText(text, kMaxLength);
    }
    Text text_;
};

template <std::size_t A, std::size_t B>
bool operator==(const TextField<A>& a, const TextField<B>& b) {
    return a.str() == b.str();
}

}  // namespace qz
