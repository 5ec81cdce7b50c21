#include "resources/templates.h"

#include <algorithm>

namespace qz::res {

namespace {

using K = ControlKind;

constexpr unsigned kEditStyle = kTabStop | kBorder | kAutoHScroll;
constexpr unsigned kButtonStyle = kTabStop;
constexpr unsigned kDialogStyle = kPopup | kCaption | kSysMenu | kModalFrame;
constexpr const char16_t* kFont = u"宋体";

constexpr ControlTemplate kZoneSetControls[] = {
    {kEditAllowedError, K::kEdit, nullptr, {56, 28, 60, 12}, kEditStyle | kRightAlign},
    {kNoId, K::kGroupBox, u"允许误差", {9, 15, 119, 32}, 0},
    {kNoId, K::kGroupBox, nullptr, {9, 54, 421, 224}, 0},
    {kGridZones, K::kGrid, nullptr, {17, 66, 407, 205}, kTabStop},
    {kBtnZoneSetOk, K::kPushButton, u"确定", {368, 12, 50, 14}, kButtonStyle},
    {kBtnZoneSetCancel, K::kPushButton, u"取消", {368, 32, 50, 14}, kButtonStyle},
    {kNoId,
     K::kStatic,
     u" 提示: 光标移动到表格上后, 按鼠标右键选择操作项目; ",
     {0, 293, 440, 13},
     kSunken | kCenterV},
};

constexpr ControlTemplate kImportControls[] = {
    {kTreeTemplates,
     K::kTreeView,
     nullptr,
     {11, 10, 198, 324},
     kTabStop | kTreeButtons | kTreeLines | kTreeLinesAtRoot | kShowSelAlways},
    {kNoId, K::kGroupBox, nullptr, {224, 8, 200, 49}, 0},
    {kNoId, K::kStatic, u"标记", {239, 21, 33, 8}, kRightAlign},
    {kNoId, K::kStatic, u"区段名称", {239, 39, 33, 8}, kRightAlign},
    {kEditImportTag, K::kEdit, nullptr, {278, 19, 69, 12}, kEditStyle},
    {kEditImportName, K::kEdit, nullptr, {278, 37, 130, 12}, kEditStyle | kReadOnly},
    {kImportPreview, K::kGroupBox, nullptr, {225, 156, 263, 178}, kHidden},
    {kNoId, K::kGroupBox, u"阻抗定值", {224, 65, 263, 86}, 0},
    {kNoId, K::kStatic, u"输入方式", {271, 82, 33, 8}, 0},
    {kListImportMode, K::kDropDownList, nullptr, {310, 78, 167, 56}, kTabStop | kDisabled},
    {kLabelImportValue1, K::kStatic, u"幅值 Zzd_Mag =", {312, 100, 81, 8}, kRightAlign},
    {kLabelImportValue2, K::kStatic, u"角度 Zzd_Ang =", {312, 116, 81, 8}, kRightAlign},
    {kLabelImportValue3, K::kStatic, u"电阻 Rzd =", {312, 132, 81, 8}, kRightAlign},
    {kEditImportValue1, K::kEdit, nullptr, {398, 98, 69, 12}, kEditStyle},
    {kEditImportValue2, K::kEdit, nullptr, {398, 114, 69, 12}, kEditStyle},
    {kEditImportValue3, K::kEdit, nullptr, {398, 130, 69, 12}, kEditStyle},
    {kBtnImportConfirm, K::kPushButton, u"确认", {438, 15, 50, 14}, kButtonStyle},
    {kBtnImportCancel, K::kPushButton, u"取消", {438, 36, 50, 14}, kButtonStyle},
};

constexpr ControlTemplate kCustomControls[] = {
    {kNoId, K::kStatic, u"标记", {34, 31, 33, 8}, kRightAlign},
    {kNoId, K::kStatic, u"区段名称", {35, 52, 33, 8}, kRightAlign},
    {kEditCustomTag, K::kEdit, nullptr, {74, 29, 69, 12}, kEditStyle},
    {kEditCustomName, K::kEdit, nullptr, {74, 50, 130, 12}, kEditStyle},
    {kNoId, K::kGroupBox, nullptr, {12, 12, 249, 65}, 0},
    {kNoId, K::kStatic, u"输入方式", {62, 132, 33, 8}, 0},
    {kListCustomMode, K::kDropDownList, nullptr, {62, 145, 167, 56}, kTabStop},
    {kLabelCustomValue1, K::kStatic, nullptr, {61, 170, 81, 8}, kRightAlign},
    {kLabelCustomValue2, K::kStatic, nullptr, {61, 187, 81, 8}, kRightAlign},
    {kLabelCustomValue3, K::kStatic, nullptr, {61, 204, 81, 8}, kRightAlign},
    {kEditCustomValue1, K::kEdit, nullptr, {147, 168, 69, 12}, kEditStyle},
    {kEditCustomValue2, K::kEdit, nullptr, {147, 185, 69, 12}, kEditStyle},
    {kEditCustomValue3, K::kEdit, nullptr, {147, 202, 69, 12}, kEditStyle},
    {kNoId, K::kGroupBox, u"阻抗定值", {24, 113, 237, 109}, 0},
    {kNoId, K::kGroupBox, nullptr, {11, 94, 390, 142}, 0},
    {kBtnCustomGraph, K::kPushButton, u"阻抗特性图 (&G)", {297, 188, 79, 15}, kButtonStyle},
    {kBtnCustomOk, K::kPushButton, u"确定", {319, 27, 50, 14}, kButtonStyle},
    {kBtnCustomCancel, K::kPushButton, u"取消", {319, 48, 50, 14}, kButtonStyle},
};

constexpr ControlTemplate kGraphControls[] = {
    {kGraphPreview, K::kGroupBox, nullptr, {9, 6, 240, 173}, kHidden},
    {kRadioCircle, K::kRadioButton, u"圆", {287, 34, 62, 10}, kTabStop | kGroupStart},
    {kRadioPolygon, K::kRadioButton, u"多边形", {287, 57, 62, 10}, 0},
    {kRadioLens, K::kRadioButton, u"透镜", {287, 80, 62, 10}, 0},
    {kNoId, K::kGroupBox, u"特性图", {266, 8, 99, 105}, 0},
    {kIdOkCommand, K::kPushButton, u"确定", {385, 26, 50, 14}, kButtonStyle | kDefaultButton},
    {kIdCancelCommand, K::kPushButton, u"取消", {385, 52, 50, 14}, kButtonStyle},
    {kBtnNewElement, K::kPushButton, u"新 增", {328, 164, 80, 16}, kButtonStyle},
    {kNoId, K::kGroupBox, nullptr, {9, 182, 432, 145}, 0},
    {kGridElements, K::kGrid, nullptr, {14, 191, 423, 132}, kTabStop},
};

// The parameter dialogs' layouts are ours; their identities, texts and
// groupings are fixed.
constexpr ControlTemplate kPolygonControls[] = {
    {kNoId, K::kGroupBox, u"直线上的任意一个点 Z", {10, 8, 196, 82}, 0},
    {kNoId, K::kStatic, u"坐标系", {18, 26, 48, 8}, kRightAlign},
    {kListLineForm, K::kDropDownList, nullptr, {72, 24, 124, 56}, kTabStop},
    {kLabelLineValue1, K::kStatic, u"R =", {18, 48, 48, 8}, kRightAlign},
    {kEditLineValue1, K::kEdit, nullptr, {72, 46, 80, 12}, kEditStyle},
    {kLabelLineValue2, K::kStatic, u"X =", {18, 68, 48, 8}, kRightAlign},
    {kEditLineValue2, K::kEdit, nullptr, {72, 66, 80, 12}, kEditStyle},
    {kNoId, K::kGroupBox, u"直线倾角θ(相对 R 轴, 逆时针为+)", {10, 98, 196, 38}, 0},
    {kNoId, K::kStatic, u"倾角θ=", {18, 116, 48, 8}, kRightAlign},
    {kEditLineInclination, K::kEdit, nullptr, {72, 114, 80, 12}, kEditStyle},
    {kBtnLineOk, K::kPushButton, u"确定", {272, 10, 50, 14}, kButtonStyle},
    {kBtnLineCancel, K::kPushButton, u"取消", {272, 30, 50, 14}, kButtonStyle},
    {kNoId, K::kPicture, nullptr, {214, 52, 108, 84}, 0, kBmpLine},
};

constexpr ControlTemplate kMhoControls[] = {
    {kNoId, K::kGroupBox, u"Z = Z1-Z2 构成阻抗圆上的弦", {8, 6, 226, 148}, 0},
    {kNoId, K::kGroupBox, u"正向阻抗 Z1", {16, 20, 210, 62}, 0},
    {kNoId, K::kStatic, u"坐标系", {22, 34, 44, 8}, kRightAlign},
    {kListMhoForm1, K::kDropDownList, nullptr, {72, 32, 124, 56}, kTabStop},
    {kLabelMho1Value1, K::kStatic, u"幅值 =", {22, 50, 44, 8}, kRightAlign},
    {kEditMho1Value1, K::kEdit, nullptr, {72, 48, 80, 12}, kEditStyle},
    {kLabelMho1Value2, K::kStatic, u"角度 =", {22, 66, 44, 8}, kRightAlign},
    {kEditMho1Value2, K::kEdit, nullptr, {72, 64, 80, 12}, kEditStyle},
    {kNoId, K::kGroupBox, u"反向阻抗 Z2", {16, 86, 210, 62}, 0},
    {kNoId, K::kStatic, u"坐标系", {22, 100, 44, 8}, kRightAlign},
    {kListMhoForm2, K::kDropDownList, nullptr, {72, 98, 124, 56}, kTabStop},
    {kLabelMho2Value1, K::kStatic, u"幅值 =", {22, 116, 44, 8}, kRightAlign},
    {kEditMho2Value1, K::kEdit, nullptr, {72, 114, 80, 12}, kEditStyle},
    {kLabelMho2Value2, K::kStatic, u"角度 =", {22, 132, 44, 8}, kRightAlign},
    {kEditMho2Value2, K::kEdit, nullptr, {72, 130, 80, 12}, kEditStyle},
    {kNoId, K::kGroupBox, u"偏转角θ(弦 Z=Z1-Z2 相对于直径, 逆时针为+)", {8, 160, 226, 38}, 0},
    {kNoId, K::kStatic, u"偏转角θ=", {16, 178, 50, 8}, kRightAlign},
    {kEditMhoShift, K::kEdit, nullptr, {72, 176, 80, 12}, kEditStyle},
    {kBtnMhoOk, K::kPushButton, u"确定", {300, 10, 50, 14}, kButtonStyle},
    {kBtnMhoCancel, K::kPushButton, u"取消", {300, 30, 50, 14}, kButtonStyle},
    {kNoId, K::kPicture, nullptr, {242, 60, 108, 138}, 0, kBmpMho},
};

constexpr ControlTemplate kLensControls[] = {
    {kNoId, K::kGroupBox, u"透镜长轴 B = Z1-Z2", {8, 6, 226, 148}, 0},
    {kNoId, K::kGroupBox, u"正向阻抗 Z1", {16, 20, 210, 62}, 0},
    {kNoId, K::kStatic, u"坐标系", {22, 34, 44, 8}, kRightAlign},
    {kListLensForm1, K::kDropDownList, nullptr, {72, 32, 124, 56}, kTabStop},
    {kLabelLens1Value1, K::kStatic, u"幅值 =", {22, 50, 44, 8}, kRightAlign},
    {kEditLens1Value1, K::kEdit, nullptr, {72, 48, 80, 12}, kEditStyle},
    {kLabelLens1Value2, K::kStatic, u"角度 =", {22, 66, 44, 8}, kRightAlign},
    {kEditLens1Value2, K::kEdit, nullptr, {72, 64, 80, 12}, kEditStyle},
    {kNoId, K::kGroupBox, u"反向阻抗 Z2", {16, 86, 210, 62}, 0},
    {kNoId, K::kStatic, u"坐标系", {22, 100, 44, 8}, kRightAlign},
    {kListLensForm2, K::kDropDownList, nullptr, {72, 98, 124, 56}, kTabStop},
    {kLabelLens2Value1, K::kStatic, u"幅值 =", {22, 116, 44, 8}, kRightAlign},
    {kEditLens2Value1, K::kEdit, nullptr, {72, 114, 80, 12}, kEditStyle},
    {kLabelLens2Value2, K::kStatic, u"角度 =", {22, 132, 44, 8}, kRightAlign},
    {kEditLens2Value2, K::kEdit, nullptr, {72, 130, 80, 12}, kEditStyle},
    {kNoId, K::kGroupBox, u"透镜短轴 A", {8, 160, 226, 66}, 0},
    {kNoId, K::kStatic, u"透镜内角 θ =", {14, 176, 64, 8}, kRightAlign},
    {kEditLensInnerAngle, K::kEdit, nullptr, {84, 174, 80, 12}, kEditStyle},
    {kNoId, K::kStatic, u"透镜宽度 A =", {14, 192, 64, 8}, kRightAlign},
    {kEditLensWidthA, K::kEdit, nullptr, {84, 190, 80, 12}, kEditStyle},
    {kNoId, K::kStatic, u"A/B =", {14, 208, 64, 8}, kRightAlign},
    {kEditLensRatioAB, K::kEdit, nullptr, {84, 206, 80, 12}, kEditStyle},
    {kBtnLensOk, K::kPushButton, u"确定", {300, 10, 50, 14}, kButtonStyle},
    {kBtnLensCancel, K::kPushButton, u"取消", {300, 30, 50, 14}, kButtonStyle},
    {kNoId, K::kPicture, nullptr, {242, 60, 108, 138}, 0, kBmpLens},
};

constexpr DialogTemplate kDialogs[] = {
    {kDlgZoneSet, u"阻抗特性--属性( 区段参数 ) ", 440, 306, kFont, 9, kDialogStyle,
     kZoneSetControls},
    {kDlgImport, u"导入 -- 保护区段", 500, 340, kFont, 9, kDialogStyle, kImportControls},
    {kDlgCustom, u"自定义--保护区段", 410, 246, kFont, 9, kDialogStyle, kCustomControls},
    {kDlgPolygon, u"多边形 -- 图元参数", 332, 144, kFont, 9, kDialogStyle, kPolygonControls},
    {kDlgMho, u"圆特性 -- 图元参数", 360, 206, kFont, 9, kDialogStyle, kMhoControls},
    {kDlgGraph, u"阻抗特性图", 450, 336, kFont, 9, kDialogStyle, kGraphControls},
    {kDlgLens, u"透镜特性 -- 图元参数", 360, 234, kFont, 9, kDialogStyle, kLensControls},
};

constexpr MenuItem kZoneSetMenuItems[] = {
    {kCmdImport, u"导入..."},
    {kCmdCustom, u"自定义"},
    {0, nullptr},
    {kCmdEdit, u"编辑"},
    {0, nullptr},
    {kCmdDelete, u"删除"},
    {0, nullptr},
    {kCmdClear, u"清空"},
};

constexpr MenuItem kGraphMenuItems[] = {
    {kCmdElementAdd, u"新增 (&A)"},    {kCmdElementEdit, u"编辑 (&E)"},
    {kCmdElementDelete, u"删除 (&D)"}, {0, nullptr},
    {kCmdElementInsert, u"插入 (&I)"}, {0, nullptr},
    {kCmdElementClear, u"清空列表"},
};

constexpr MenuTemplate kMenus[] = {
    {kMenuZoneSet, u"阻抗区段属性右键菜单", kZoneSetMenuItems},
    {kMenuGraph, u"图元参数表格右键菜单", kGraphMenuItems},
};

}  // namespace

const DialogTemplate* FindDialog(int id) {
    auto it = std::ranges::find(kDialogs, id, &DialogTemplate::id);
    return it == std::end(kDialogs) ? nullptr : &*it;
}

const MenuTemplate* FindMenu(int id) {
    auto it = std::ranges::find(kMenus, id, &MenuTemplate::id);
    return it == std::end(kMenus) ? nullptr : &*it;
}

std::span<const DialogTemplate> AllDialogs() {
    return kDialogs;
}

std::span<const MenuTemplate> AllMenus() {
    return kMenus;
}

}  // namespace qz::res
