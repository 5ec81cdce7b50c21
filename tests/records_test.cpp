#include <gtest/gtest.h>

#include "records/pict.h"
#include "records/zone.h"
#include "test_util.h"

using namespace qz;
using qztest::Store;
using qztest::Strings;
using Bytes = std::vector<std::uint8_t>;
using Texts = std::vector<Text>;

namespace {

template <class T>
T RoundTrip(T& record) {
    Bytes b = Store([&](CArchiveWriter& ar) { record.Store(ar); });
    T back;
    CArchiveReader in(b.data(), b.size());
    back.Load(in);
    EXPECT_EQ(in.Remaining(), 0u);
    return back;
}

Bytes StoreTexts(const Texts& texts) {
    return Store([&](CArchiveWriter& ar) {
        for (const Text& t : texts) ar.WriteString(t);
    });
}

}  // namespace

TEST(Zone, DefaultsAndStoredForm) {
    CZone z;
    EXPECT_EQ(z.strTag, u" ");
    EXPECT_EQ(z.strZoneName, u" ");
    EXPECT_EQ(z.nID, -1);
    EXPECT_EQ(z.nShow, 1);
    z.strTag = u"Z1,LE";
    z.strZoneName = u"接地距离 I段";
    z.setting.Zzd_2 = 78;
    Bytes b = Store([&](CArchiveWriter& ar) { z.Store(ar); });
    EXPECT_EQ(Strings(b), (Texts{u"1.10", u"1", u"Z1,LE", u"接地距离 I段", u"-1", u"0", u"1.000000",
                                 u"78.000000", u"0.000000", u"0"}));
}

TEST(Zone, RoundTripKeepsEveryField) {
    CZone z;
    z.nShow = 0;
    z.strTag = u"Z3,PP";
    z.strZoneName = u"相间距离 III段";
    z.nID = 16777216;
    z.setting = {3, 1.234567f, -98.5f, 75};
    z.nCharKind = kCharLens;
    CZone back = RoundTrip(z);
    EXPECT_EQ(back.nShow, 0);
    EXPECT_EQ(back.strTag, z.strTag);
    EXPECT_EQ(back.strZoneName, z.strZoneName);
    EXPECT_EQ(back.nID, 16777216);
    EXPECT_EQ(back.setting.Zzd_Mode, 3);
    EXPECT_EQ(back.setting.Zzd_1, 1.234567f);  // six decimals survive
    EXPECT_EQ(back.setting.Zzd_2, -98.5f);
    EXPECT_EQ(back.setting.Zzd_3, 75.0f);
    EXPECT_EQ(back.nCharKind, kCharLens);
}

TEST(Zone, OldRecordsTakeTheirKindFromTheMode) {
    for (auto [mode, kind] :
         {std::pair{u"0", 0}, {u"1", 1}, {u"2", 1}, {u"3", 1}, {u"7", 0}, {u"-1", 0}}) {
        Bytes b = StoreTexts({u"1.00", u"1", u"Z", u"N", u"5", mode, u"1", u"2", u"3", u"99"});
        CArchiveReader in(b.data(), b.size());
        CZone z;
        z.Load(in);
        EXPECT_EQ(z.nCharKind, kind) << ToUtf8(mode);
        EXPECT_EQ(ToUtf8(in.ReadString()), "99");  // the record ended after nine strings
    }
}

TEST(Zone, UnknownVersionAndLongTextsAreHandled) {
    Bytes b = StoreTexts({u"1.1", u"1"});
    CArchiveReader in(b.data(), b.size());
    CZone z;
    EXPECT_THROW(z.Load(in), ArchiveError);
    Bytes lng = StoreTexts(
        {u"1.10", u"1", Text(300, u'T'), Text(150, u'名'), u"1", u"0", u"1", u"2", u"3", u"0"});
    CArchiveReader in2(lng.data(), lng.size());
    z.Load(in2);
    EXPECT_EQ(z.strTag.str(), Text(99, u'T'));
    EXPECT_EQ(z.strZoneName.str(), Text(99, u'名'));
}

TEST(Setting, SettingTextInACellAndOnOneLine) {
    ZoneSetting z{0, 10, 78, 1.5f};
    struct Case {
        int mode;
        const char16_t *cell, *line;
    };
    for (Case c : {Case{0, u" Zzd = 10.000Ω ∠ 78.000°, \r\n\r\n 偏转角 = 1.500 °",
                        u"Zzd = 10.000Ω ∠ 78.000°, 偏转角 = 1.500 °"},
                   {1, u" Rzd = 10.000Ω, \r\n\r\n Xzd = 78.000Ω", u"Rzd = 10.000Ω, Xzd = 78.000Ω"},
                   {2, u" Zzd = 10.000Ω ∠ 78.000°, \r\n\r\n Rzd = 1.500Ω ",
                    u"Zzd = 10.000Ω ∠ 78.000°, Rzd = 1.500Ω"},
                   {3, u" Rzd = 10.000Ω, \r\n\r\n Xzd = 78.000Ω, 正序阻抗角 = 1.500 °",
                    u"Rzd = 10.000Ω, Xzd = 78.000Ω, 正序阻抗角 = 1.500 °"},
                   {7, u"", u"mode 7"}}) {
        z.Zzd_Mode = c.mode;
        EXPECT_EQ(SettingText(z), c.cell) << c.mode;
        EXPECT_EQ(SettingText(z, SettingLayout::kOneLine), c.line) << c.mode;
    }
}

TEST(Pict, TheKindCodeFollowsTheClass) {
    for (std::int32_t k : {kPictMho, kPictLine, kPictArc, kPictLens}) {
        std::unique_ptr<CPict> p = CreatePict(k);
        ASSERT_TRUE(p);
        EXPECT_EQ(p->Kind(), k);
        EXPECT_EQ(p->Clone()->Kind(), k);
        PictList one;
        one.push_back(std::move(p));
        Bytes b = Store([&](CArchiveWriter& ar) { StorePicts(ar, one, PictForm::kFormula); });
        EXPECT_EQ(b[4], k);  // the code after the count
    }
    EXPECT_FALSE(CreatePict(4));
    EXPECT_FALSE(CreatePict(-1));
}

TEST(Pict, CircleStoredForm) {
    CPictMho m;
    m.ptZ1 = {0, 10, 80};
    m.ptZ2 = {0, 2, 260};
    Bytes b = Store([&](CArchiveWriter& ar) { m.Store(ar); });
    EXPECT_EQ(Strings(b), (Texts{u"1.00", u"Z1_LE", u"1.00", u"0", u"10.000000", u"80.000000", u"0",
                                 u"2.000000", u"260.000000", u"0.000000"}));
    // "1.00" as bytes: marker, length 4, UTF-16LE.
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 12),
              (Bytes{0xFF, 0xFE, 0xFF, 0x04, 0x31, 0, 0x2E, 0, 0x30, 0, 0x30, 0}));
    // An empty tag: marker and length 0.
    m.strZoneTag = u"";
    b = Store([&](CArchiveWriter& ar) { m.Store(ar); });
    EXPECT_EQ(Bytes(b.begin() + 12, b.begin() + 16), (Bytes{0xFF, 0xFE, 0xFF, 0}));
}

TEST(Pict, EveryClassRoundTripsBothForms) {
    CPictArc a;
    EXPECT_EQ(Strings(Store([&](CArchiveWriter& ar) { a.Store(ar); })).size(), 14u);
    Texts f = Strings(Store([&](CArchiveWriter& ar) { a.StoreFormula(ar); }));
    EXPECT_EQ(f[f.size() - 2], u"1.0");
    EXPECT_EQ(Strings(Store([&](CArchiveWriter& ar) { a.Store(ar); }))[12], u"1.000000");
    a.strZoneTag = u"Z2";
    a.ptZ0 = {1, -3.5f, 4.25f, u"RZD*0.5", u"XZD"};
    a.fRadius = 2.5f;
    a.nClockwise = 1;
    a.strRadius = u"ZZD_MAG/2";
    CPictArc back = RoundTrip(a);
    EXPECT_EQ(back.strZoneTag, u"Z2");
    EXPECT_EQ(back.ptZ0.nCoord, 1);
    EXPECT_EQ(back.ptZ0.fValue1, -3.5f);
    EXPECT_EQ(back.fRadius, 2.5f);
    EXPECT_EQ(back.nClockwise, 1);
    EXPECT_EQ(back.strRadius, u"1.0");  // the numeric form carries no formulas
    Bytes fb = Store([&](CArchiveWriter& ar) { a.StoreFormula(ar); });
    CPictArc fback;
    CArchiveReader in(fb.data(), fb.size());
    fback.LoadFormula(in);
    EXPECT_EQ(fback.ptZ0.strFormula1, u"RZD*0.5");
    EXPECT_EQ(fback.strRadius, u"ZZD_MAG/2");
    EXPECT_EQ(fback.nClockwise, 1);
    EXPECT_EQ(fback.ptZ0.fValue1, 0.0f);  // formulas only

    CPictLens l;
    l.fInnerAngle = 120;
    l.fWidthA = 5.7735f;
    l.fRatioAB = 0.57735f;
    EXPECT_EQ(Strings(Store([&](CArchiveWriter& ar) { l.Store(ar); })).size(), 12u);
    CPictLens lb = RoundTrip(l);
    EXPECT_EQ(lb.fWidthA, 5.7735f);
    EXPECT_EQ(lb.fRatioAB, 0.57735f);

    CPictLine line;
    line.ptZ = {1, 1, 2};
    line.fInclination = 75;
    EXPECT_EQ(Strings(Store([&](CArchiveWriter& ar) { line.Store(ar); })).size(), 13u);
    EXPECT_EQ(RoundTrip(line).fInclination, 75.0f);
    EXPECT_EQ(Strings(Store([&](CArchiveWriter& ar) { line.StoreFormula(ar); })).size(), 7u);
}

TEST(Pict, OldLinesAreUpgraded) {
    Bytes b = StoreTexts({u"1.00", u"Z9", u"1.00", u"1", u"0", u"2", u"1", u"0", u"0"});
    CArchiveReader in(b.data(), b.size());
    CPictLine line;
    line.Load(in);
    EXPECT_EQ(in.Remaining(), 0u);
    EXPECT_EQ(line.ptZ.nCoord, 1);
    EXPECT_EQ(line.ptZ.fValue1, 0.0f);
    EXPECT_EQ(line.ptZ.fValue2, 2.0f);
    EXPECT_EQ(line.fInclination, 90.0f);
    Texts again = Strings(Store([&](CArchiveWriter& ar) { line.Store(ar); }));
    EXPECT_EQ(again.size(), 13u);
    EXPECT_EQ(again[2], u"1.10");
}

TEST(Pict, UnknownVersionsAreBroken) {
    // Numeric form, own version unknown.
    Bytes b = StoreTexts({u"1.00", u"Z", u"2.00", u"0", u"1", u"2"});
    CArchiveReader in(b.data(), b.size());
    CPictMho m;
    EXPECT_THROW(m.Load(in), ArchiveError);
    // Formula form: nothing is set.
    Bytes f = StoreTexts({u"1.01", u"1", u"RZD", u"XZD"});
    CArchiveReader inf(f.data(), f.size());
    CPictLens lens;
    EXPECT_THROW(lens.LoadFormula(inf), ArchiveError);
    EXPECT_EQ(lens.ptZ1.nCoord, 0);
    EXPECT_EQ(lens.ptZ1.strFormula1, u"0.0");
}

TEST(Pict, PointAccessors) {
    PictPoint p{1, -5, 0};
    EXPECT_EQ(p.Polar().mag, 5.0f);
    EXPECT_EQ(p.Polar().ang, -180.0f);
    p = {0, 1, 90};
    EXPECT_EQ(p.Rect().R, 0.0f);
    EXPECT_EQ(p.Rect().X, 1.0f);
    p = {7, 3, 4};  // any flag but 0 is rectangular
    EXPECT_EQ(p.Rect().R, 3.0f);
    EXPECT_EQ(p.Polar().mag, 5.0f);
}

TEST(Pict, ListsReadAllOrNothing) {
    PictList list;
    list.push_back(std::make_unique<CPictMho>());
    list.push_back(std::make_unique<CPictLens>());
    Bytes b = Store([&](CArchiveWriter& ar) { StorePicts(ar, list, PictForm::kNumeric); });
    PictList back;
    CArchiveReader in(b.data(), b.size());
    LoadPicts(in, back, PictForm::kNumeric);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[1]->Kind(), kPictLens);
    for (std::size_t cut = 0; cut < b.size(); ++cut) {
        PictList part;
        CArchiveReader c(b.data(), cut);
        EXPECT_THROW(LoadPicts(c, part, PictForm::kNumeric), ArchiveError) << cut;
        EXPECT_TRUE(part.empty());
    }
    Bytes bad = b;
    bad[4] = 9;  // kind code of the first element
    CArchiveReader c(bad.data(), bad.size());
    EXPECT_THROW(LoadPicts(c, back, PictForm::kNumeric), ArchiveError);
    EXPECT_EQ(back.size(), 2u);
    Bytes huge{0xFF, 0xFF, 0xFF, 0x7F};
    CArchiveReader h(huge.data(), huge.size());
    EXPECT_THROW(LoadPicts(h, back, PictForm::kFormula), ArchiveError);
}
