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

TEST(Text, FieldsCutToTheirCapacity) {
    TextField<5> f = u"abcdefg";
    EXPECT_EQ(f.str(), u"abcd");
    f = Text(u"ab\0cd", 5);
    EXPECT_EQ(f.str(), u"ab");
    f = u"abc\U0001F600";  // the pair would straddle the end: dropped whole
    EXPECT_EQ(f.str(), u"abc");
    EXPECT_EQ(Format("%.3f %%", 5.0), u"5.000 %");
}
