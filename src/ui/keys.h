// A key as the user presses it on a dialog: the key and the modifiers held
// down.  Keys are numbered as the platform's virtual keys, so that a backend
// with windows hands them on as they are.
#pragma once

namespace qz::ui {

enum KeyCode : int {
    kKeyTab = 0x09,
    kKeyEnter = 0x0D,
    kKeyEscape = 0x1B,
    kKeySpace = 0x20,
    kKeyPageUp = 0x21,
    kKeyPageDown = 0x22,
    kKeyEnd = 0x23,
    kKeyHome = 0x24,
    kKeyLeft = 0x25,
    kKeyUp = 0x26,
    kKeyRight = 0x27,
    kKeyDown = 0x28,
    kKeyDelete = 0x2E,
    kKey0 = 0x30,     // to kKey0 + 9
    kKeyA = 0x41,     // to kKeyA + 25
    kKeyApps = 0x5D,  // the menu key
    kKeyF1 = 0x70,    // to kKeyF1 + 11
    kKeyF2 = 0x71,
    kKeyF10 = 0x79,
};

struct KeyStroke {
    int code = 0;
    bool ctrl = false, shift = false, alt = false;

    bool IsLetterOrDigit() const {
        return (code >= kKeyA && code < kKeyA + 26) || (code >= kKey0 && code < kKey0 + 10);
    }
    bool IsArrow() const { return code >= kKeyLeft && code <= kKeyDown; }
};

}  // namespace qz::ui
