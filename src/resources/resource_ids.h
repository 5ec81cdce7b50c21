// Identities of the dialog templates, controls, menus, commands and bitmaps.
#pragma once

namespace qz::res {

// Controls without an identity of their own.
inline constexpr int kNoId = -1;
// The dialog manager's commands for Enter and Escape.
inline constexpr int kIdOkCommand = 1;
inline constexpr int kIdCancelCommand = 2;

// Zone settings dialog.
inline constexpr int kDlgZoneSet = 1000;
inline constexpr int kEditAllowedError = 4001;
inline constexpr int kGridZones = 4002;
inline constexpr int kBtnZoneSetOk = 4003;
inline constexpr int kBtnZoneSetCancel = 4004;

inline constexpr int kMenuZoneSet = 1100;
inline constexpr int kCmdImport = 32812;
inline constexpr int kCmdCustom = 32813;
inline constexpr int kCmdDelete = 32814;
inline constexpr int kCmdClear = 32815;
inline constexpr int kCmdEdit = 32817;

// Import dialog.
inline constexpr int kDlgImport = 1001;
inline constexpr int kTreeTemplates = 4130;
inline constexpr int kEditImportTag = 4131;
inline constexpr int kEditImportName = 4132;
inline constexpr int kListImportMode = 4133;
inline constexpr int kLabelImportValue1 = 4134;
inline constexpr int kLabelImportValue2 = 4135;
inline constexpr int kLabelImportValue3 = 4136;
inline constexpr int kEditImportValue1 = 4137;
inline constexpr int kEditImportValue2 = 4138;
inline constexpr int kEditImportValue3 = 4139;
inline constexpr int kBtnImportConfirm = 4140;
inline constexpr int kBtnImportCancel = 4141;
inline constexpr int kImportPreview = 4309;
inline constexpr int kBmpTreeImages = 1003;

// Custom zone dialog.
inline constexpr int kDlgCustom = 1002;
inline constexpr int kEditCustomTag = 4150;
inline constexpr int kEditCustomName = 4151;
inline constexpr int kListCustomMode = 4152;
inline constexpr int kLabelCustomValue1 = 4153;
inline constexpr int kLabelCustomValue2 = 4154;
inline constexpr int kLabelCustomValue3 = 4155;
inline constexpr int kEditCustomValue1 = 4156;
inline constexpr int kEditCustomValue2 = 4157;
inline constexpr int kEditCustomValue3 = 4158;
inline constexpr int kBtnCustomGraph = 4159;
inline constexpr int kBtnCustomOk = 4160;
inline constexpr int kBtnCustomCancel = 4161;

// Graph editor.
inline constexpr int kDlgGraph = 1104;
inline constexpr int kGridElements = 4000;
inline constexpr int kRadioCircle = 4315;
inline constexpr int kRadioPolygon = 4316;
inline constexpr int kRadioLens = 4317;
inline constexpr int kBtnNewElement = 4320;
inline constexpr int kGraphPreview = 4321;

inline constexpr int kMenuGraph = 1101;
inline constexpr int kCmdElementAdd = 4310;
inline constexpr int kCmdElementEdit = 4311;
inline constexpr int kCmdElementDelete = 4312;
inline constexpr int kCmdElementClear = 4313;
inline constexpr int kCmdElementInsert = 4314;

// Line (polygon) parameter dialog.
inline constexpr int kDlgPolygon = 1102;
inline constexpr int kLabelLineValue1 = 4375;
inline constexpr int kLabelLineValue2 = 4376;
inline constexpr int kListLineForm = 4379;
inline constexpr int kEditLineValue1 = 4380;
inline constexpr int kEditLineValue2 = 4381;
inline constexpr int kEditLineInclination = 4382;
inline constexpr int kBtnLineOk = 4384;
inline constexpr int kBtnLineCancel = 4385;
inline constexpr int kBmpLine = 1004;

// Circle parameter dialog.
inline constexpr int kDlgMho = 1103;
inline constexpr int kListMhoForm1 = 4340;
inline constexpr int kLabelMho1Value1 = 4341;
inline constexpr int kLabelMho1Value2 = 4342;
inline constexpr int kEditMho1Value1 = 4343;
inline constexpr int kEditMho1Value2 = 4344;
inline constexpr int kListMhoForm2 = 4345;
inline constexpr int kLabelMho2Value1 = 4346;
inline constexpr int kLabelMho2Value2 = 4347;
inline constexpr int kEditMho2Value1 = 4348;
inline constexpr int kEditMho2Value2 = 4349;
inline constexpr int kEditMhoShift = 4350;
inline constexpr int kBtnMhoOk = 4351;
inline constexpr int kBtnMhoCancel = 4352;
inline constexpr int kBmpMho = 1005;

// Lens parameter dialog.
inline constexpr int kDlgLens = 1105;
inline constexpr int kListLensForm1 = 4401;
inline constexpr int kEditLens1Value1 = 4402;
inline constexpr int kEditLens1Value2 = 4403;
inline constexpr int kLabelLens1Value1 = 4404;
inline constexpr int kLabelLens1Value2 = 4405;
inline constexpr int kListLensForm2 = 4406;
inline constexpr int kEditLens2Value1 = 4407;
inline constexpr int kEditLens2Value2 = 4408;
inline constexpr int kLabelLens2Value1 = 4409;
inline constexpr int kLabelLens2Value2 = 4410;
inline constexpr int kEditLensInnerAngle = 4411;
inline constexpr int kEditLensWidthA = 4412;
inline constexpr int kEditLensRatioAB = 4413;
inline constexpr int kBtnLensOk = 4414;
inline constexpr int kBtnLensCancel = 4415;
inline constexpr int kBmpLens = 1006;

}  // namespace qz::res
