#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "base/archive.h"
#include "base/helpers.h"
#include "test_util.h"

using namespace qz;
using qztest::Store;
using Bytes = std::vector<std::uint8_t>;

TEST(Archive, IntegersAndFloatsAreLittleEndian) {
    Bytes b = Store([](CArchiveWriter& ar) {
        ar.WriteInt32(-2);
        ar.WriteFloat(0.05f);
    });
    EXPECT_EQ(b, (Bytes{0xFE, 0xFF, 0xFF, 0xFF, 0xCD, 0xCC, 0x4C, 0x3D}));
    CArchiveReader in(b.data(), b.size());
    EXPECT_EQ(in.ReadInt32(), -2);
    float f = 0;
    in.ReadFloat(f);
    EXPECT_EQ(f, 0.05f);
    EXPECT_EQ(in.Remaining(), 0u);
}

TEST(Archive, StringsUseTheShortestLengthForm) {
    EXPECT_EQ(Store([](CArchiveWriter& ar) { ar.WriteString(u"1.10"); }),
              (Bytes{0xFF, 0xFE, 0xFF, 0x04, 0x31, 0, 0x2E, 0, 0x31, 0, 0x30, 0}));
    EXPECT_EQ(Store([](CArchiveWriter& ar) { ar.WriteString(u""); }),
              (Bytes{0xFF, 0xFE, 0xFF, 0x00}));
    auto head = [](std::size_t n, std::size_t k) {
        Bytes b = Store([&](CArchiveWriter& ar) { ar.WriteString(Text(n, u'x')); });
        EXPECT_EQ(b.size(), k + 2 * n) << n;
        return Bytes(b.begin(), b.begin() + std::ptrdiff_t(k));
    };
    EXPECT_EQ(head(254, 4), (Bytes{0xFF, 0xFE, 0xFF, 254}));
    EXPECT_EQ(head(255, 6), (Bytes{0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x00}));
    EXPECT_EQ(head(0xFFFD, 6), (Bytes{0xFF, 0xFE, 0xFF, 0xFF, 0xFD, 0xFF}));
    EXPECT_EQ(head(0xFFFE, 10), (Bytes{0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0, 0}));
    for (std::size_t n : {0, 254, 255, 0xFFFD, 0xFFFE, 70000}) {
        Text t(n, u'电');
        Bytes b = Store([&](CArchiveWriter& ar) { ar.WriteString(t); });
        CArchiveReader in(b.data(), b.size());
        EXPECT_EQ(in.ReadString(), t) << n;
    }
}

TEST(Archive, ReadsEveryLengthFormAndEightBitStrings) {
    // Marked, with the 32-bit and the 64-bit length forms.
    Bytes b32{0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0, 'o', 0, 'k', 0};
    CArchiveReader a(b32.data(), b32.size());
    EXPECT_EQ(a.ReadString(), u"ok");
    Bytes b64{0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
              1,    0,    0,    0,    0,    0,    0,    0,    'a',  0};
    CArchiveReader c(b64.data(), b64.size());
    EXPECT_EQ(c.ReadString(), u"a");
    // Unmarked: one-byte and 16-bit lengths, in the Chinese ANSI code page.
    Bytes ansi{4, 0xB5, 0xE7, 0xD7, 0xE8, 0xFF, 3, 0, '1', '.', '5'};
    CArchiveReader d(ansi.data(), ansi.size());
    EXPECT_EQ(d.ReadString(), u"电阻");
    EXPECT_EQ(d.ReadString(), u"1.5");
    EXPECT_EQ(d.Remaining(), 0u);
}

TEST(Archive, HostileLengthsFailBeforeAllocatingAndNameTheOffset) {
    auto fails_at = [](Bytes b, std::size_t offset) {
        CArchiveReader ar(b.data(), b.size());
        ar.ReadInt32();
        try {
            ar.ReadString();
            ADD_FAILURE() << "no error";
        } catch (const ArchiveError& e) {
            EXPECT_EQ(e.offset, offset);
            EXPECT_NE(std::string(e.what()).find("at byte " + std::to_string(offset)),
                      std::string::npos)
                << e.what();
        }
    };
    // A 64-bit length of 2^63 UTF-16 units.
    fails_at({0,    0,    0,    0, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
              0xFF, 0xFF, 0xFF, 0, 0,    0,    0,    0,    0,    0,    0x80},
             4);
    fails_at({0, 0, 0, 0, 0xFF, 0xFE, 0xFF, 3, 'a', 0, 'b', 0, 'c'}, 4);  // one byte short
    fails_at({0, 0, 0, 0, 200, 'x'}, 4);                                  // 8-bit, short
    fails_at({0, 0, 0, 0, 0xFF, 0xFE}, 5);  // cut inside the marker word
    Bytes four{1, 2, 3};
    CArchiveReader ar(four.data(), four.size());
    EXPECT_THROW(ar.ReadInt32(), ArchiveError);
}

TEST(Archive, NumbersAsStrings) {
    Bytes b = Store([](CArchiveWriter& ar) {
        StoreInt(ar, -1);
        StoreReal(ar, 78.0f);
        StoreReal(ar, -0.0000004f);
        ar.WriteString(u"12abc");
        ar.WriteString(u"3e9");
        ar.WriteString(u"9999999999");
    });
    EXPECT_EQ(qztest::Strings(b)[1], u"78.000000");
    EXPECT_EQ(qztest::Strings(b)[2], u"-0.000000");
    CArchiveReader in(b.data(), b.size());
    EXPECT_EQ(LoadInt(in), -1);
    EXPECT_EQ(LoadReal(in), 78.0f);
    EXPECT_EQ(LoadReal(in), 0.0f);
    EXPECT_EQ(LoadInt(in), 12);
    EXPECT_EQ(LoadInt(in), 3);
    EXPECT_EQ(LoadInt(in), INT32_MIN);  // out of range, as the x86 conversion gives
}

TEST(Helpers, TextToNumberReadsTheLeadingRun) {
    EXPECT_EQ(TextToNumber(u""), 0.0f);
    EXPECT_EQ(TextToNumber(u"  5"), 0.0f);
    EXPECT_EQ(TextToNumber(u"1e5"), 1.0f);
    EXPECT_EQ(TextToNumber(u"12abc"), 12.0f);
    EXPECT_EQ(TextToNumber(u"1.2.3"), 1.2f);
    EXPECT_EQ(TextToNumber(u"-.5 %"), -0.5f);
    EXPECT_EQ(TextToNumber(u"+7"), 7.0f);
    EXPECT_EQ(TextToNumber(u"+-7"), 0.0f);
    EXPECT_EQ(TextToNumber(u"5-3"), 5.0f);
    EXPECT_EQ(TextToNumber(u"."), 0.0f);
    EXPECT_TRUE(std::isinf(TextToNumber(Text(400, u'9'))));
    EXPECT_EQ(TextToNumber(u"0." + Text(400, u'0') + u"1"), 0.0f);
    EXPECT_EQ(TextToNumber(u"16777217"), 16777216.0f);  // single precision
}

TEST(Helpers, ClampOrWrapAndRange) {
    EXPECT_EQ(ClampOrWrap(370, 360, -360), 10);
    EXPECT_EQ(ClampOrWrap(-370, 360, -360), -10);
    EXPECT_EQ(ClampOrWrap(720, 360, -360), 0);
    EXPECT_EQ(ClampOrWrap(2000, 1000, 0), 1000);
    EXPECT_EQ(ClampOrWrap(-3, 1000, 0), 0);
    EXPECT_EQ(ClampOrWrap(370, 360, -359), 360);  // wrapping needs both limits exactly
    EXPECT_EQ(TextToNumberInRange(u"2000 %", 1000, 0), 1000);
    EXPECT_EQ(TextToNumberInRange(u"-3", 1000, 0), 0);
}

TEST(Helpers, PolarAndRectangular) {
    RectValue r = PolarToRect(1, 90);
    EXPECT_EQ(r.R, 0.0f);  // the cosine term falls within 0.00001 of 0
    EXPECT_EQ(r.X, 1.0f);
    r = PolarToRect(10, 60);
    EXPECT_NEAR(r.R, 5.0f, 1e-5);
    EXPECT_NEAR(r.X, 8.660254f, 1e-5);
    PolarValue p = RectToPolar(-5, 0);
    EXPECT_EQ(p.mag, 5.0f);
    EXPECT_EQ(p.ang, -180.0f);
    p = RectToPolar(0, -3);
    EXPECT_EQ(p.mag, 3.0f);
    EXPECT_EQ(p.ang, -90.0f);
    p = RectToPolar(0.000001f, 0);
    EXPECT_EQ(p.mag, 0.000001f);
    EXPECT_EQ(p.ang, 0.0f);
    p = RectToPolar(-1, 1);
    EXPECT_NEAR(p.ang, 135.0f, 1e-4);
    p = RectToPolar(-1, -1);
    EXPECT_NEAR(p.ang, -135.0f, 1e-4);
    // Rounding must never push asin out of its domain.
    for (float x : {1e-3f, 0.1f, 3.3f, 1e6f, 3e18f})
        EXPECT_FALSE(std::isnan(RectToPolar(0, x).ang));
    p = SubPolar({2, 90}, {0, 0});
    EXPECT_EQ(p.mag, 2.0f);
    EXPECT_EQ(p.ang, 90.0f);
    p = AddPolar({1, 0}, {1, 90});
    EXPECT_NEAR(p.mag, std::sqrt(2.0f), 1e-6);
    EXPECT_NEAR(p.ang, 45.0f, 1e-4);
    EXPECT_EQ(TruncToInt32(-3.7f), -3);
    EXPECT_EQ(TruncToInt32(NAN), INT32_MIN);
}

TEST(Helpers, FixedFormatMatchesTheCLibrary) {
    // Every float class: ties (0.0078125), subnormals, negatives rounding to
    // -0.000000, large values and the non-finite ones.
    std::vector<float> values = {0.0f,          -0.0f,         0.0078125f, 0.0234375f, 1e-7f,
                                 -4e-7f,        5e-7f,         1.4e-45f,   78.0f,      -98.5f,
                                 4294967040.0f, 4294967296.0f, 3.4e38f,    NAN,        -INFINITY};
    std::uint32_t state = 12345;
    for (int i = 0; i < 200000; ++i) {
        state = state * 1664525u + 1013904223u;
        float f;
        std::uint32_t bits = state & 0xBFFFFFFFu;  // exponents up to 2^1, where six decimals matter
        std::memcpy(&f, &bits, 4);
        values.push_back(f);
        values.push_back(float(state % 2000000) / 997.0f - 1000.0f);
    }
    for (float v : values) {
        char mine[64], libc[64];
        std::size_t n = FormatFixed6(v, mine);
        std::snprintf(libc, sizeof libc, "%f", double(v));
        ASSERT_EQ(std::string(mine, n), libc) << v;
    }
}

TEST(Helpers, NumbersReadInPlaceMatchTheTextReader) {
    // The archive reads numbers from the stored bytes; the result must be
    // the one TextToNumber gives for the same text, in both string forms.
    for (const char* s :
         {"-", "+", ".", "-.", "-0.000000", "12.5e3", "1.2.3", "0000000000000001.25",
          "123456789012345678", "-98.500000", "+-3", "7-3", "3.4028236e38",
          "340282356779733661637539395458142568448", "0.1", "0.000001"}) {
        Text t = FromAscii(s);
        Bytes wide = Store([&](CArchiveWriter& ar) { ar.WriteString(t); });
        Bytes narrow{std::uint8_t(std::strlen(s))};
        narrow.insert(narrow.end(), s, s + std::strlen(s));
        float expected = TextToNumber(t);
        CArchiveReader a(wide.data(), wide.size()), b(narrow.data(), narrow.size());
        float x = a.ReadNumber(), y = b.ReadNumber();
        EXPECT_EQ(std::memcmp(&x, &expected, 4), 0) << s;
        EXPECT_EQ(std::memcmp(&y, &expected, 4), 0) << s;
        EXPECT_EQ(std::signbit(expected), s[0] == '-' && s[1] >= '0') << s;
    }
}
