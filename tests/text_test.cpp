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

TEST(Text, AnsiIsGbk) {
    EXPECT_EQ(FromAnsi("\xB5\xE7\xD7\xE8"
                       "ab"),
              u"电阻ab");
#ifndef _WIN32
    // Windows decodes these by its own code page table.
    EXPECT_EQ(FromAnsi("a\xFF"), u"a\uFFFD");
    EXPECT_EQ(FromAnsi("\xB5"), u"\uFFFD");  // cut-off double byte
#endif
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
