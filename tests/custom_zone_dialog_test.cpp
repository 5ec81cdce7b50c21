// The custom zone dialog driven as a user drives it, on the headless backend.
#include <gtest/gtest.h>

#include "base/msgbox.h"
#include "dialog_session.h"
#include "dialogs/customzone/custom_zone_dlg.h"

using namespace qz;

using CustomZoneDialogTest = qztest::DialogSessionTest;

TEST_F(CustomZoneDialogTest, ModesSetTheirDefaultsAndValuesKeepTheirLimits) {
    CDlg_Import_ProtEdit dlg;
    dlg.nID = 7;
    dlg.strTag = u"Z1";
    dlg.strZoneName = u"Zone 1";
    dlg.setting.Zzd_1 = 2;
    dlg.setting.Zzd_2 = 80;
    int result = Run(dlg, R"s(
expect-caption "自定义--保护区段"
expect-list 4152 0
expect-text 4153 "幅值 Zzd_Mag ="
expect-text 4155 "偏转角 AngShift ="
expect-text 4156 "2.000 Ω"
expect-text 4157 "80.000 °"
expect-text 4158 "0.000 °"
dropdown 4152
pick 4152 1
expect-text 4153 "Rzd ="
expect-text 4154 "Xzd ="
expect-text 4156 "0.500 Ω"
expect-text 4157 "1.000 Ω"
expect-hidden 4155
expect-hidden 4158
type 4156 -2000
tab
expect-text 4156 "-1000.000 Ω"
# The mode already shown leaves the values alone.
dropdown 4152
pick 4152 1
expect-text 4156 "-1000.000 Ω"
dropdown 4152
pick 4152 0
expect-visible 4158
expect-text 4156 "1.000 Ω"
expect-text 4157 "78.000 °"
expect-text 4158 "0.000 °"
type 4156 -5
tab
expect-text 4156 "0.000 Ω"
type 4157 400
enter
expect-dialog 1002
expect-text 4157 "40.000 °"
type 4157 -400
tab
expect-text 4157 "-40.000 °"
type 4158 100
tab
expect-text 4158 "80.000 °"
# A pick without the list dropped down applies the input last entered and
# keeps the mode.
type 4156 3
pick 4152 2
expect-list 4152 0
expect-text 4153 "幅值 Zzd_Mag ="
expect-text 4156 "3.000 Ω"
# Escape shows the values again without taking what was typed.
type 4157 12
escape
expect-dialog 1002
expect-text 4157 "-40.000 °"
dropdown 4152
pick 4152 3
expect-text 4155 "正序阻抗角 Ang ="
expect-text 4156 "0.500 Ω"
expect-text 4157 "1.000 Ω"
expect-text 4158 "78.000 °"
type 4158 -400
tab
expect-text 4158 "-40.000 °"
dropdown 4152
pick 4152 2
expect-text 4155 "Rzd ="
expect-text 4158 "0.500 Ω"
type 4158 -2000
tab
expect-text 4158 "-1000.000 Ω"
click 4160
)s");
    EXPECT_EQ(result, kIdOk);
    EXPECT_EQ(dlg.nID, 7);
    EXPECT_EQ(dlg.setting.Zzd_Mode, 2);
    EXPECT_EQ(dlg.setting.Zzd_1, 1.0f);
    EXPECT_EQ(dlg.setting.Zzd_2, 78.0f);
    EXPECT_EQ(dlg.setting.Zzd_3, -1000.0f);
    EXPECT_EQ(dlg.nFocusKind, 4);
    EXPECT_EQ(dlg.nFocusValue, 3);
    EXPECT_EQ(dlg.strPictFile, u"");
}

TEST_F(CustomZoneDialogTest, OkRefusesOneThingAtATimeAndTheGraphEditorHandsBackItsFile) {
    CDlg_Import_ProtEdit dlg;
    dlg.strTag = u"   ";
    dlg.setting.Zzd_1 = -5;
    dlg.setting.Zzd_2 = 400;
    dlg.strPictFile = u"old.el";
    dlg.nCharKind = 1;
    struct Given {
        Text strPictFile;
        std::int32_t nCharKind;
        float Zzd_1, Zzd_2;
    };
    std::vector<Given> given;
    dlg.runGraphEditor = [&](CDlg_Import_ProtEdit::GraphRequest& r) {
        given.push_back({r.strPictFile, r.nCharKind, r.setting.Zzd_1, r.setting.Zzd_2});
        r.strPictFile = u"graph.tmp";
        r.nCharKind = 2;
        return given.size() == 2;  // the first run is cancelled
    };
    int result = Run(dlg, R"s(
click 4160
expect-message "请输入区段标记!         \n\n" "标记" error
answer ok
expect-dialog 1002
expect-focus 4150
type 4150 "\u3000A1\t "
tab
expect-text 4150 "A1"
click 4160
expect-message "请输入区段名称!         \n\n" "区段名称" error
answer ok
expect-focus 4151
type 4151 " Zone "
click 4160
expect-message "阻抗幅值 Zzd_Mag 必须 >=0 !         \n\n" "阻抗定值" error
answer ok
expect-focus 4156
expect-messages 3
click 4159
click 4159
type 4156 3
click 4160
)s");
    EXPECT_EQ(result, kIdOk);
    ASSERT_EQ(given.size(), 2u);
    // A cancelled run changes nothing.
    EXPECT_EQ(given[1].strPictFile, u"old.el");
    EXPECT_EQ(given[1].nCharKind, 1);
    EXPECT_EQ(given[1].Zzd_1, -5.0f);
    EXPECT_EQ(given[1].Zzd_2, 400.0f);
    EXPECT_EQ(dlg.strPictFile, u"graph.tmp");
    EXPECT_EQ(dlg.nCharKind, 2);
    EXPECT_EQ(dlg.strTag, u"A1");
    EXPECT_EQ(dlg.strZoneName, u"Zone");
    EXPECT_EQ(dlg.setting.Zzd_1, 3.0f);
    EXPECT_EQ(dlg.setting.Zzd_2, 40.0f);  // brought into range by OK

    // The cancel button and the close box both end it, whatever the input.
    CDlg_Import_ProtEdit cancelled, closed;
    EXPECT_EQ(Run(cancelled, "type 4150 \"\"\nclick 4161\n"), kIdCancel);
    EXPECT_EQ(Run(closed, "close\n"), kIdCancel);
}
