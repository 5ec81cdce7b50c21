#include "ui/win32/dialog_template.h"

#include <commctrl.h>

namespace qz::ui::win32 {

namespace {

using K = res::ControlKind;

// Chinese resources name the GB2312 character set with their font.
constexpr BYTE kFontCharset = GB2312_CHARSET;

class Writer {
  public:
    void Word(WORD w) { words_.push_back(w); }
    void Dword(DWORD d) {
        Word(LOWORD(d));
        Word(HIWORD(d));
    }
    void Text(const char16_t* text) {
        if (text)
            for (; *text; ++text) Word(WORD(*text));
        Word(0);
    }
    void Text(const wchar_t* text) {
        for (; *text; ++text) Word(WORD(*text));
        Word(0);
    }
    void AlignDword() {
        if (words_.size() % 2) Word(0);
    }
    std::vector<WORD> Take() { return std::move(words_); }

  private:
    std::vector<WORD> words_;
};

const wchar_t* ClassName(K kind) {
    switch (kind) {
        case K::kEdit:
            return L"EDIT";
        case K::kStatic:
        case K::kPicture:
            return L"STATIC";
        case K::kPushButton:
        case K::kGroupBox:
        case K::kRadioButton:
            return L"BUTTON";
        case K::kDropDownList:
            return L"COMBOBOX";
        case K::kTreeView:
            return WC_TREEVIEWW;
        case K::kGrid:
            return kGridClass;
    }
    return L"STATIC";
}

}  // namespace

DWORD ControlWindowStyle(const res::ControlTemplate& c) {
    const unsigned s = c.style;
    DWORD style = WS_CHILD;
    if (!(s & res::kHidden)) style |= WS_VISIBLE;
    if (s & res::kDisabled) style |= WS_DISABLED;
    if (s & res::kTabStop) style |= WS_TABSTOP;
    if (s & res::kGroupStart) style |= WS_GROUP;
    if (s & res::kBorder) style |= WS_BORDER;
    switch (c.kind) {
        case K::kEdit:
            if (s & res::kRightAlign) style |= ES_RIGHT;
            if (s & res::kReadOnly) style |= ES_READONLY;
            if (s & res::kAutoHScroll) style |= ES_AUTOHSCROLL;
            break;
        case K::kStatic:
            style |= (s & res::kRightAlign ? SS_RIGHT : SS_LEFT) | SS_NOPREFIX;
            if (s & res::kSunken) style |= SS_SUNKEN;
            if (s & res::kCenterV) style |= SS_CENTERIMAGE;
            break;
        case K::kPicture:
            // The bitmap is centred in the control, which keeps its size.
            style |= SS_BITMAP | SS_CENTERIMAGE;
            break;
        case K::kPushButton:
            style |= s & res::kDefaultButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
            break;
        case K::kGroupBox:
            style |= BS_GROUPBOX;
            break;
        case K::kRadioButton:
            style |= BS_AUTORADIOBUTTON;
            break;
        case K::kDropDownList:
            style |= CBS_DROPDOWNLIST | WS_VSCROLL;
            break;
        case K::kTreeView:
            if (s & res::kTreeButtons) style |= TVS_HASBUTTONS;
            if (s & res::kTreeLines) style |= TVS_HASLINES;
            if (s & res::kTreeLinesAtRoot) style |= TVS_LINESATROOT;
            if (s & res::kShowSelAlways) style |= TVS_SHOWSELALWAYS;
            // Item heights as given: the tree rounds odd ones down otherwise.
            style |= TVS_NONEVENHEIGHT;
            break;
        case K::kGrid:
            break;
    }
    return style;
}

std::vector<WORD> BuildDialogTemplate(const res::DialogTemplate& t) {
    DWORD style = DS_SETFONT;
    if (t.style & res::kPopup) style |= WS_POPUP;
    if (t.style & res::kCaption) style |= WS_CAPTION;
    if (t.style & res::kSysMenu) style |= WS_SYSMENU;
    if (t.style & res::kModalFrame) style |= DS_MODALFRAME;

    Writer w;
    w.Word(1);       // dlgVer
    w.Word(0xFFFF);  // signature: extended
    w.Dword(0);      // helpID
    w.Dword(0);      // exStyle
    w.Dword(style);
    w.Word(WORD(t.controls.size()));
    w.Word(0);  // x, y: placed when shown
    w.Word(0);
    w.Word(WORD(t.cx));
    w.Word(WORD(t.cy));
    w.Word(0);  // no menu
    w.Word(0);  // the dialog class
    w.Text(t.caption);
    w.Word(WORD(t.fontPoints));
    w.Word(FW_NORMAL);
    w.Word(MAKEWORD(FALSE, kFontCharset));  // italic, charset
    w.Text(t.fontName);
    for (const auto& c : t.controls) {
        w.AlignDword();
        w.Dword(0);  // helpID
        w.Dword(0);  // exStyle
        w.Dword(ControlWindowStyle(c));
        w.Word(WORD(c.rect.x));
        w.Word(WORD(c.rect.y));
        w.Word(WORD(c.rect.cx));
        w.Word(WORD(c.rect.cy));
        w.Dword(DWORD(c.id));
        w.Text(ClassName(c.kind));
        if (c.kind == K::kPicture)
            w.Word(0);  // the bitmap is set when the dialog starts
        else
            w.Text(c.text);
        w.Word(0);  // no creation data
    }
    return w.Take();
}

}  // namespace qz::ui::win32
