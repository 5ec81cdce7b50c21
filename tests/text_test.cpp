#include <gtest/gtest.h>

#include "base/text.h"

using namespace qz;

TEST(Text, Utf8RoundTripAndRejection) {
    Text t = u"接地距离 I段 Ω∠° \U0001F600";
    EXPECT_EQ(FromUtf8(ToUtf8(t)), t);
    EXPECT_THROW(FromUtf8("\xC3"), TextError);          // cut off
    EXPECT_THROW(FromUtf8("\xC0\xAF"), TextError);      // overlong
    EXPECT_THROW(FromUtf8("\xED\xA0\x80"), TextError);  // encoded surrogate
    EXPECT_THROW(FromUtf8("\xF4\x90\x80\x80"), TextError);
    EXPECT_THROW(ToUtf8(Text(1, char16_t(0xD800))), TextError);
    EXPECT_EQ(ToUtf8Lossy(Text(1, char16_t(0xDC00)) + u"a"),
              "\xEF\xBF\xBD"
              "a");
}

// One decoding on every build and in every locale.
TEST(Text, AnsiIsCodePage936Everywhere) {
    EXPECT_EQ(FromAnsi("\xB5\xE7\xD7\xE8"
                       "ab"),
              u"电阻ab");
    // The table's two ends, its one single byte above ASCII, and the pair
    // the C runtimes disagree on.
    EXPECT_EQ(FromAnsi("\x81\x40\xFE\x4F\x80\xA1\xAA"), u"丂\uFA29€—");
    // A byte that starts no character is replaced alone: 0xFF, a lead byte
    // cut off or before a byte that is no trail, a pair the code page leaves
    // unassigned (a user-defined area); what follows is read afresh.
    EXPECT_EQ(FromAnsi("a\xFF"), u"a\uFFFD");
    EXPECT_EQ(FromAnsi("\xB5"), u"\uFFFD");
    EXPECT_EQ(FromAnsi("\xB5\x7F\xB5\x30"), u"\uFFFD\x7F\uFFFD0");
    EXPECT_EQ(FromAnsi("\xAA\xA1"), u"\uFFFD\uFFFD");
    EXPECT_EQ(FromAnsi("\xAA\xB5\xE7"), u"\uFFFD电");
}

// Code page 936's pairs, the pairs GB18030 adds, and its four-byte codes:
// the basic plane's by the range table, the planes above linearly.
TEST(Text, Gb18030) {
    EXPECT_EQ(FromGb18030("\xB5\xE7\xC1\xF7"
                          "a"),
              u"电流a");
    EXPECT_EQ(FromGb18030("\xA2\xE3\xFE\x51"), u"€\U00020087");
    EXPECT_EQ(FromGb18030("\x81\x30\x81\x30\x81\x39\xEE\x39\x82\x35\x8F\x33"),
              u"\u0080\u3400\u9FA6");
    EXPECT_EQ(FromGb18030("\x90\x30\x81\x30\xE3\x32\x9A\x35"), u"\U00010000\U0010FFFF");
    // No lead byte, a code past U+10FFFF, one cut off: U+FFFD, and on.
    EXPECT_EQ(FromGb18030("\x80\xE3\x32\x9A\x36"
                          "b\x81\x30"),
              u"\uFFFD\uFFFDb\uFFFD0");
}

TEST(Text, FieldsCutToTheirCapacity) {
    TextField<5> f = u"abcdefg";
    EXPECT_EQ(f.str(), u"abcd");
    f = Text(u"ab\0cd", 5);
    EXPECT_EQ(f.str(), u"ab");
    f = u"abc\U0001F600";  // the pair would straddle the end: dropped whole
    EXPECT_EQ(f.str(), u"abc");
    EXPECT_EQ(Format("%.3f %%", 5.0), u"5.000 %");
}
