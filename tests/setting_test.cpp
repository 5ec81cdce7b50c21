#include <gtest/gtest.h>

#include "records/setting.h"

using namespace qz;

// What OK does to a setting the user typed or the zone brought: a negative
// magnitude is refused, angles wrap, a value the mode lacks is dropped, and
// nothing else moves.
TEST(Setting, ConfirmRefusesNegativeMagnitudesWrapsAnglesAndDropsWhatTheModeLacks) {
    struct Case {
        ZoneSetting in;
        int refused;
        ZoneSetting out;
    };
    for (const Case& c : {
             // The deflection angle is limited, not wrapped.
             Case{{0, 5, 400, 100}, 0, {0, 5, 40, 100}},
             Case{{0, -1, 10, 0}, 1, {0, -1, 10, 0}},
             Case{{1, -5, -6, 7}, 0, {1, -5, -6, 0}},
             // The third value of mode 2 is ohms.
             Case{{2, 3, -370, 500}, 0, {2, 3, -10, 500}},
             Case{{2, -3, 10, 1}, 1, {2, -3, 10, 1}},
             Case{{3, -5, -6, 725}, 0, {3, -5, -6, 5}},
             Case{{7, -5, 400, 400}, 0, {7, -5, 400, 400}},
         }) {
        SCOPED_TRACE(c.in.Zzd_Mode);
        EXPECT_EQ(RefusedValue(c.in), c.refused);
        ZoneSetting s = c.in;
        if (!c.refused) ConfirmSetting(s);
        EXPECT_EQ(s, c.out);
    }
}

// Typed values keep their mode's limits; a new mode starts with its own values.
TEST(Setting, TypedValuesAndModeChangesFollowTheModesTable) {
    ZoneSetting s{0, 1, 78, 0};
    EXPECT_TRUE(TakeSettingValue(s, 1, u"-4"));
    EXPECT_EQ(s.Zzd_1, 0.0f);  // a magnitude
    EXPECT_TRUE(TakeSettingValue(s, 3, u"95"));
    EXPECT_EQ(s.Zzd_3, 80.0f);
    EXPECT_TRUE(TakeSettingValue(s, 2, u"370"));
    EXPECT_EQ(s.Zzd_2, 10.0f);
    EXPECT_FALSE(TakeSettingValue(s, 4, u"1"));

    EXPECT_FALSE(ChangeMode(s, 0));
    EXPECT_FALSE(ChangeMode(s, 4));
    EXPECT_EQ(s, (ZoneSetting{0, 0, 10, 80}));
    EXPECT_TRUE(ChangeMode(s, 1));
    EXPECT_EQ(s, (ZoneSetting{1, 0.5f, 1, 0}));
    EXPECT_FALSE(TakeSettingValue(s, 3, u"5"));
    EXPECT_EQ(s.Zzd_3, 0.0f);
    EXPECT_TRUE(TakeSettingValue(s, 1, u"-4000"));
    EXPECT_EQ(s.Zzd_1, -1000.0f);
    EXPECT_TRUE(ChangeMode(s, 3));
    EXPECT_EQ(s, (ZoneSetting{3, 0.5f, 1, 78}));
}
