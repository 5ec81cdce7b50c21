#include "session/win32/session_player.h"

#include <commctrl.h>

#include <cstring>
#include <string>
#include <vector>

#include "ui/win32/capture.h"

namespace qz::session::win32 {

using namespace ui;
using namespace ui::win32;

SessionPlayer::SessionPlayer(Win32Backend& ui)
    : Session(static_cast<UserActions&>(*this)), ui_(ui) {}

SessionPlayer::~SessionPlayer() {
    Detach();
}

void SessionPlayer::Attach() {
    playedBox_ = ui_.BoxSerial();
    playedMenu_ = ui_.MenuSerial();
    ui_.SetIdleHandler({
        [this](CDialog& dlg, HWND) {
            PlayAtDialog(dlg);
            return true;
        },
        [this](HWND box) {
            // Each box is answered once; its own loop takes the answer.
            if (ui_.BoxSerial() == playedBox_) return false;
            playedBox_ = ui_.BoxSerial();
            box_ = box;
            const Win32Backend::Box& shown = ui_.ShownBox();
            PlayAtMessageBox(shown.text, shown.caption, shown.flags);
            return true;
        },
        [this](HMENU, HWND) {
            if (ui_.MenuSerial() == playedMenu_ || !ui_.ShownMenu()) return false;
            playedMenu_ = ui_.MenuSerial();
            PlayAtMenu(*ui_.ShownMenu(), ui_.MenuPoint());
            return true;
        },
    });
}

void SessionPlayer::Detach() {
    ui_.ClearIdleHandler();
}

HWND SessionPlayer::Window(const CDialog& dlg, int id) const {
    return ui_.ControlWindow(dlg, id);
}

LPARAM SessionPlayer::At(const CDialog& dlg, int id, Point client) const {
    const Rect& r = dlg.Item(id).rect;
    return MAKELPARAM(client.x - r.left, client.y - r.top);
}

void SessionPlayer::Post(CDialog& dlg, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    PostMessageW(hwnd, msg, wp, lp);
    ui_.Pump(dlg);
}

// ---- the user's actions ------------------------------------------------------

void SessionPlayer::Focus(CDialog& dlg, int id) {
    SetFocus(Window(dlg, id));
    ui_.Pump(dlg);
}

void SessionPlayer::ReplaceText(CDialog& dlg, int id, TextView text) {
    // Everything selected, then typed over, one character at a time.
    HWND edit = Window(dlg, id);
    PostMessageW(edit, EM_SETSEL, 0, -1);
    if (text.empty()) {
        PostMessageW(edit, WM_KEYDOWN, VK_DELETE, 1);
        PostMessageW(edit, WM_KEYUP, VK_DELETE, 1);
    }
    for (char16_t c : text) PostMessageW(edit, WM_CHAR, WPARAM(c), 1);
    ui_.Pump(dlg);
}

void SessionPlayer::Click(CDialog& dlg, int id) {
    HWND button = Window(dlg, id);
    RECT r{};
    GetClientRect(button, &r);
    LPARAM middle = MAKELPARAM(r.right / 2, r.bottom / 2);
    PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, middle);
    PostMessageW(button, WM_LBUTTONUP, 0, middle);
    ui_.Pump(dlg);
}

bool SessionPlayer::PressKey(CDialog& dlg, const KeyStroke& key) {
    auto vk = WORD(key.code);
    // The arrows and the keys above them are the keyboard's extended keys.
    bool extended = vk >= VK_PRIOR && vk <= VK_DOWN;
    if (!key.ctrl && !key.shift && !key.alt) {
        // The key's messages where the focus is; the loop makes the
        // character of a letter from them.
        HWND target = GetFocus();
        if (!target || (target != ui_.WindowOf(dlg) && !IsChild(ui_.WindowOf(dlg), target)))
            target = ui_.WindowOf(dlg);
        LPARAM scan = LPARAM(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
        LPARAM down = 1 | scan << 16 | (extended ? LPARAM(1) << 24 : 0);
        PostMessageW(target, WM_KEYDOWN, vk, down);
        PostMessageW(target, WM_KEYUP, vk, down | LPARAM(0xC0000000));
    } else {
        // Input, so that the key state the dialog manager reads has the
        // modifiers down while the key is.
        std::vector<INPUT> input;
        auto add = [&](WORD k, DWORD flags) {
            INPUT in{};
            in.type = INPUT_KEYBOARD;
            in.ki.wVk = k;
            in.ki.wScan = WORD(MapVirtualKeyW(k, MAPVK_VK_TO_VSC));
            in.ki.dwFlags = flags;
            input.push_back(in);
        };
        std::vector<WORD> held;
        if (key.ctrl) held.push_back(VK_CONTROL);
        if (key.shift) held.push_back(VK_SHIFT);
        if (key.alt) held.push_back(VK_MENU);
        for (WORD m : held) add(m, 0);
        DWORD ext = extended ? KEYEVENTF_EXTENDEDKEY : 0;
        add(vk, ext);
        add(vk, ext | KEYEVENTF_KEYUP);
        for (auto m = held.rbegin(); m != held.rend(); ++m) add(*m, KEYEVENTF_KEYUP);
        SendInput(UINT(input.size()), input.data(), sizeof(INPUT));
    }
    ui_.Pump(dlg);
    return true;
}

void SessionPlayer::ClickCloseBox(CDialog& dlg) {
    Post(dlg, ui_.WindowOf(dlg), WM_SYSCOMMAND, SC_CLOSE, 0);
}

void SessionPlayer::DropDown(CDialog& dlg, int id) {
    // Dropped down and closed again, as a click and a second click do.
    HWND list = Window(dlg, id);
    PostMessageW(list, CB_SHOWDROPDOWN, TRUE, 0);
    PostMessageW(list, CB_SHOWDROPDOWN, FALSE, 0);
    ui_.Pump(dlg);
}

void SessionPlayer::SelectListItem(CDialog& dlg, int id, int index) {
    // The selection a key makes in the closed list, with its notification.
    HWND list = Window(dlg, id);
    PostMessageW(list, CB_SETCURSEL, WPARAM(index), 0);
    PostMessageW(ui_.WindowOf(dlg), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), LPARAM(list));
    ui_.Pump(dlg);
}

void SessionPlayer::SelectTreeItem(CDialog& dlg, int id, TreeItem item) {
    // A click on the item's text, scrolled into view first.
    HWND tree = Window(dlg, id);
    HTREEITEM target = nullptr;
    for (auto h = HTREEITEM(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)); h && !target;) {
        TVITEMW tv{};
        tv.mask = TVIF_PARAM;
        tv.hItem = h;
        SendMessageW(tree, TVM_GETITEMW, 0, LPARAM(&tv));
        if (TreeItem(tv.lParam) == item) {
            target = h;
            break;
        }
        // Depth first: child, else next sibling, else an ancestor's sibling.
        auto next = HTREEITEM(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, LPARAM(h)));
        while (!next && h) {
            next = HTREEITEM(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, LPARAM(h)));
            if (!next) h = HTREEITEM(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_PARENT, LPARAM(h)));
        }
        h = next;
    }
    if (!target) return;
    SendMessageW(tree, TVM_ENSUREVISIBLE, 0, LPARAM(target));
    RECT r{};
    std::memcpy(&r, &target, sizeof target);
    SendMessageW(tree, TVM_GETITEMRECT, TRUE, LPARAM(&r));
    LPARAM middle = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    PostMessageW(tree, WM_LBUTTONDOWN, MK_LBUTTON, middle);
    PostMessageW(tree, WM_LBUTTONUP, 0, middle);
    ui_.Pump(dlg);
}

void SessionPlayer::MoveMouse(CDialog& dlg, int id, Point client) {
    mouse_ = client;
    Post(dlg, Window(dlg, id), WM_MOUSEMOVE, 0, At(dlg, id, client));
}

void SessionPlayer::PressMouse(CDialog& dlg, int id, Point client) {
    mouse_ = client;
    Post(dlg, Window(dlg, id), WM_LBUTTONDOWN, MK_LBUTTON, At(dlg, id, client));
}

void SessionPlayer::ReleaseMouse(CDialog& dlg, int id) {
    Post(dlg, Window(dlg, id), WM_LBUTTONUP, 0, At(dlg, id, mouse_));
}

void SessionPlayer::DoubleClick(CDialog& dlg, int id) {
    HWND grid = Window(dlg, id);
    PostMessageW(grid, WM_LBUTTONDBLCLK, MK_LBUTTON, At(dlg, id, mouse_));
    PostMessageW(grid, WM_LBUTTONUP, 0, At(dlg, id, mouse_));
    ui_.Pump(dlg);
}

void SessionPlayer::ScrollGrid(CDialog& dlg, int id, int topRow) {
    // The scroll bar's thumb dragged to the row.
    Post(dlg, Window(dlg, id), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, WORD(topRow)), 0);
}

void SessionPlayer::ScrollGridColumns(CDialog& dlg, int id, int leftCol) {
    Post(dlg, Window(dlg, id), WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, WORD(leftCol)), 0);
}

void SessionPlayer::ReleaseRightButton(CDialog& dlg, int id, Point client) {
    Post(dlg, Window(dlg, id), WM_RBUTTONUP, 0, At(dlg, id, client));
}

void SessionPlayer::PressButton(int button) {
    // The box's own loop takes the click once this returns.
    if (HWND b = GetDlgItem(box_, button))
        PostMessageW(b, BM_CLICK, 0, 0);
    else
        PostMessageW(box_, WM_COMMAND, WPARAM(button), 0);
}

void SessionPlayer::PickMenuItem(int command) {
    // Keys, as the menu's own loop takes them: down to the item, Enter.
    HWND owner = GetActiveWindow();
    const PopupMenu* menu = ui_.ShownMenu();
    if (command == 0 || !menu) {
        PostMessageW(owner, WM_KEYDOWN, VK_ESCAPE, 1);
        return;
    }
    for (const auto& item : menu->Template().items) {
        if (item.command == 0) continue;
        PostMessageW(owner, WM_KEYDOWN, VK_DOWN, 1);
        if (item.command == command) break;
    }
    PostMessageW(owner, WM_KEYDOWN, VK_RETURN, 1);
}

bool SessionPlayer::SavePicture(CDialog& dlg, int id, TextView file) {
    HWND dialog = ui_.WindowOf(dlg);
    if (!dialog) return false;
    const Rect& r = dlg.Item(id).rect;
    POINT corner{r.left, r.top};
    ClientToScreen(dialog, &corner);
    GdiFlush();
    return CaptureScreen({corner.x, corner.y, corner.x + r.Width(), corner.y + r.Height()})
        ->SavePng(ToUtf8Lossy(file));
}

// ---- what the windows show ---------------------------------------------------

Text SessionPlayer::Caption(const CDialog& dlg) const {
    HWND w = ui_.WindowOf(dlg);
    return w ? WindowText(w) : dlg.GetWindowText();
}

const Control* SessionPlayer::ShownControl(const CDialog& dlg, int id) const {
    const Control* model = dlg.FindControl(id);
    HWND h = model ? Window(dlg, id) : nullptr;
    // The grid's and the tree's windows show their models as they are.
    if (!h || model->grid || model->tree) return model;
    auto& shown = shown_[{&dlg, id}];
    shown = std::make_unique<Control>(*model->tmpl);
    Control& c = *shown;
    c.rect = model->rect;
    c.visible = GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE;
    c.enabled = IsWindowEnabled(h);
    switch (c.kind) {
        case res::ControlKind::kDropDownList: {
            c.text = model->text;
            int n = int(SendMessageW(h, CB_GETCOUNT, 0, 0));
            for (int i = 0; i < n; ++i) {
                std::wstring item(std::size_t(SendMessageW(h, CB_GETLBTEXTLEN, i, 0)) + 1, L'\0');
                int len = int(SendMessageW(h, CB_GETLBTEXT, i, LPARAM(item.data())));
                c.items.emplace_back(item.begin(), item.begin() + std::max(0, len));
            }
            c.curSel = int(SendMessageW(h, CB_GETCURSEL, 0, 0));
            break;
        }
        case res::ControlKind::kEdit:
            c.text = WindowText(h);
            c.readOnly = GetWindowLongW(h, GWL_STYLE) & ES_READONLY;
            break;
        case res::ControlKind::kRadioButton:
            c.text = WindowText(h);
            c.checked = SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED;
            break;
        default:
            c.text = WindowText(h);
            break;
    }
    return &c;
}

int SessionPlayer::FocusedControl(const CDialog& dlg) const {
    return ui_.FocusedControl(dlg);
}

}  // namespace qz::session::win32
