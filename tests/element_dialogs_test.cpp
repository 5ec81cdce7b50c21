// The element parameter dialogs driven as a user drives them, on the
// headless backend.
#include <gtest/gtest.h>

#include "base/msgbox.h"
#include "dialog_session.h"
#include "dialogs/grapheditor/element_dlgs.h"

using namespace qz;

using ElementDialogTest = qztest::DialogSessionTest;

TEST_F(ElementDialogTest, CircleConvertsItsPointsAndLimitsWhatIsTyped) {
    CDlg_Import_Graph_Mho dlg;
    int result = Run(dlg, R"s(
expect-caption "圆特性 -- 图元参数"
expect-focus 4340
expect-text 4341 "幅值 ="
expect-text 4343 "1.000 Ω"
expect-text 4344 "78.000 °"
expect-text 4350 "0.000 °"
pick 4340 "直角坐标 (笛卡尔坐标)"
expect-text 4341 "R ="
expect-text 4342 "X ="
expect-text 4343 "0.208 Ω"
expect-text 4344 "0.978 Ω"
pick 4340 0
expect-text 4342 "角度 ="
expect-text 4343 "1.000 Ω"
expect-text 4344 "78.000 °"
# Enter takes the field and leaves the dialog open.
type 4344 400
enter
expect-text 4344 "40.000 °"
expect-focus 4344
type 4344 -400
tab
expect-text 4344 "-40.000 °"
type 4343 -5
tab
expect-text 4343 "0.000 Ω"
type 4348 12abc
tab
expect-text 4348 "12.000 Ω"
pick 4345 1
type 4348 2000
tab
expect-text 4348 "1000.000 Ω"
# Escape shows the stored number again.
type 4349 7
escape
expect-dialog 1103
expect-text 4349 "0.000 Ω"
type 4350 85
click 4351
)s");
    EXPECT_EQ(result, kIdOk);
    EXPECT_EQ(dlg.ptZ1.nCoord, 0);
    EXPECT_EQ(dlg.ptZ1.fValue1, 0.0f);
    EXPECT_EQ(dlg.ptZ1.fValue2, -40.0f);
    EXPECT_EQ(dlg.ptZ2.nCoord, 1);
    EXPECT_EQ(dlg.ptZ2.fValue1, 1000.0f);
    EXPECT_EQ(dlg.ptZ2.fValue2, 0.0f);
    EXPECT_EQ(dlg.fShiftAngle, 80.0f);
    EXPECT_EQ(dlg.strShiftAngle, u"80.000 °");
}

TEST_F(ElementDialogTest, PolygonKeepsItsNumbersWhenTheFormChanges) {
    CDlg_Import_Graph_Polygon dlg;
    EXPECT_EQ(dlg.nFocusGroup, -1);
    int result = Run(dlg, R"s(
expect-caption "多边形 -- 图元参数"
expect-list 4379 1
expect-text 4375 "R ="
expect-text 4382 "0.000 °"
type 4380 3
type 4381 4
pick 4379 0
expect-text 4375 "幅值 ="
expect-text 4376 "角度 ="
expect-text 4380 "3.000 Ω"
expect-text 4381 "4.000 °"
type 4382 -400
enter
expect-text 4382 "-40.000 °"
click 4385
)s");
    EXPECT_EQ(result, kIdCancel);
    EXPECT_EQ(dlg.nFocusGroup, 2);
    EXPECT_EQ(dlg.nFocusItem, 1);
    EXPECT_EQ(dlg.ptZ.nCoord, 0);
    EXPECT_EQ(dlg.ptZ.fValue1, 3.0f);
    EXPECT_EQ(dlg.ptZ.fValue2, 4.0f);
    EXPECT_EQ(dlg.fInclination, -40.0f);
}

TEST_F(ElementDialogTest, LensShapeFollowsTheChordAsItStands) {
    CDlg_Import_Graph_Lens dlg;
    // From the default inner angle over the default chord of length 1.
    EXPECT_NEAR(dlg.fRatioAB, 0.57735f, 1e-5f);
    EXPECT_NEAR(dlg.fWidthA, 0.57735f, 1e-5f);
    dlg.ptZ1.fValue1 = 10;
    dlg.ptZ1.fValue2 = 90;
    int result = Run(dlg, R"s(
expect-caption "透镜特性 -- 图元参数"
expect-text 4411 "120.000 °"
expect-text 4412 "0.577 Ω"
expect-text 4413 "0.577"
type 4411 120
tab
expect-text 4413 "0.577"
expect-text 4412 "5.774 Ω"
type 4412 10
tab
expect-text 4413 "1.000"
expect-text 4411 "90.000 °"
type 4413 0.5
tab
expect-text 4412 "5.000 Ω"
type 4411 5
tab
expect-text 4411 "10.000 °"
expect-text 4413 "11.430"
expect-text 4412 "114.301 Ω"
# A new Z1 leaves the shape as it is, and so does leaving a shape field as shown.
type 4402 20
tab
expect-text 4412 "114.301 Ω"
focus 4411
tab
expect-text 4412 "114.301 Ω"
type 4413 7
escape
expect-text 4413 "11.430"
type 4412 x
tab
expect-text 4412 "0.001 Ω"
click 4414
)s");
    EXPECT_EQ(result, kIdOk);
    EXPECT_EQ(dlg.ptZ1.fValue1, 20.0f);
    EXPECT_EQ(dlg.fWidthA, 0.001f);
    EXPECT_NEAR(dlg.fRatioAB, 0.00005f, 1e-6f);
}
