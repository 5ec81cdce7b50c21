// The dialog templates and context menus of the library, as data.  Every
// user-interface backend builds its windows from these and nothing else.
#pragma once

#include <span>

#include "resources/resource_ids.h"

namespace qz::res {

enum class ControlKind {
    kEdit,
    kStatic,
    kPushButton,
    kGroupBox,
    kDropDownList,
    kTreeView,
    kGrid,
    kRadioButton,
    kPicture,  // a static showing the bitmap named by `image`
};

// Control styles that change what a control does or how it looks.
enum ControlStyle : unsigned {
    kHidden = 1u << 0,
    kDisabled = 1u << 1,
    kReadOnly = 1u << 2,
    kRightAlign = 1u << 3,
    kGroupStart = 1u << 4,
    kDefaultButton = 1u << 5,
    kTabStop = 1u << 6,
    kAutoHScroll = 1u << 7,  // edit: scrolls instead of stopping at its width
    kBorder = 1u << 8,
    kSunken = 1u << 9,
    kCenterV = 1u << 10,  // static: text centred vertically
    kTreeButtons = 1u << 11,
    kTreeLines = 1u << 12,
    kTreeLinesAtRoot = 1u << 13,
    kShowSelAlways = 1u << 14,
};

enum DialogStyle : unsigned {
    kPopup = 1u << 0,
    kCaption = 1u << 1,
    kSysMenu = 1u << 2,
    kModalFrame = 1u << 3,
};

// Position and size in dialog units.
struct DlgRect {
    int x, y, cx, cy;
};

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char16_t* text;  // null: no text
    DlgRect rect;
    unsigned style;
    int image = 0;  // kPicture: bitmap resource
};

struct DialogTemplate {
    int id;
    const char16_t* caption;
    int cx, cy;
    const char16_t* fontName;
    int fontPoints;
    unsigned style;
    std::span<const ControlTemplate> controls;
};

// A command of 0 is a separator.
struct MenuItem {
    int command;
    const char16_t* text;
};

// A context menu: one pop-up with its items.
struct MenuTemplate {
    int id;
    const char16_t* popupText;
    std::span<const MenuItem> items;
};

// Null for an unknown id.
const DialogTemplate* FindDialog(int id);
const MenuTemplate* FindMenu(int id);
std::span<const DialogTemplate> AllDialogs();
std::span<const MenuTemplate> AllMenus();

}  // namespace qz::res
