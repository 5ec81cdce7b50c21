#include "ui/win32/dialog_window.h"

#include <algorithm>
#include <stdexcept>

#include "resources/bitmaps.h"
#include "ui/win32/bitmaps.h"
#include "ui/win32/dialog_template.h"

namespace qz::ui::win32 {

DialogWindow::~DialogWindow() {
    for (auto& t : trees_)
        if (t.images) ImageList_Destroy(t.images);
    for (HBITMAP b : bitmaps_) DeleteObject(b);
}

HWND DialogWindow::ControlHwnd(int id) const {
    const auto& controls = dlg_.Controls();
    for (std::size_t i = 0; i < controls.size() && i < controls_.size(); ++i)
        if (controls[i].id == id) return controls_[i];
    return nullptr;
}

int DialogWindow::ControlIndexOf(HWND hwnd) const {
    while (hwnd && GetParent(hwnd) != hwnd_) hwnd = GetParent(hwnd);
    if (!hwnd) return -1;
    auto it = std::ranges::find(controls_, hwnd);
    return it == controls_.end() ? -1 : int(it - controls_.begin());
}

Point DialogWindow::Grid::ToDialog(LPARAM lp) const {
    const Rect& r = owner->dlg_.Controls()[std::size_t(index)].rect;
    return {r.left + XOf(lp), r.top + YOf(lp)};
}

void DialogWindow::Center(HWND owner) {
    RECT box{}, self{};
    if (!owner || !IsWindowVisible(owner) || !GetWindowRect(owner, &box))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &box, 0);
    GetWindowRect(hwnd_, &self);
    int w = self.right - self.left, h = self.bottom - self.top;
    int x = std::max(0L, box.left + (box.right - box.left - w) / 2);
    int y = std::max(0L, box.top + (box.bottom - box.top - h) / 2);
    SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void DialogWindow::Run(HWND owner) {
    std::vector<WORD> tmpl = BuildDialogTemplate(dlg_.Template());
    HWND hwnd = CreateDialogIndirectParamW(backend_.module_,
                                           reinterpret_cast<const DLGTEMPLATE*>(tmpl.data()), owner,
                                           Proc, reinterpret_cast<LPARAM>(this));
    if (!hwnd) {
        throw std::runtime_error("dialog " + std::to_string(dlg_.TemplateId()) +
                                 " cannot be created, error " + std::to_string(GetLastError()));
    }
    // Modal: the owner takes no input while this runs.
    bool ownerWasEnabled = owner && IsWindowEnabled(owner);
    if (ownerWasEnabled) EnableWindow(owner, FALSE);
    if (!dlg_.IsEnded()) {
        Center(owner);
        ShowWindow(hwnd_, SW_SHOW);
        SetForegroundWindow(hwnd_);
        Sync();
    }
    try {
        while (!dlg_.IsEnded()) {
            MSG m;
            if (!PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
                const auto& idle = backend_.idle_.dialog;
                if (!(idle && idle(dlg_, hwnd_))) WaitMessage();
                continue;
            }
            Process(m);
        }
    } catch (...) {
        Fail(std::current_exception());
    }
    // Activation goes back to the owner before this window goes.
    if (ownerWasEnabled) EnableWindow(owner, TRUE);
    ShowWindow(hwnd_, SW_HIDE);
    if (owner) SetActiveWindow(owner);
    dlg_.InputDestroy();
    DestroyWindow(hwnd_);
    if (failure_) std::rethrow_exception(failure_);
}

void DialogWindow::Process(MSG& m) {
    if (m.message == WM_QUIT) {
        // Leave the quit for the loop that owns the thread.
        PostQuitMessage(int(m.wParam));
        dlg_.EndDialog(kIdCancel);
        return;
    }
    if (!PreTranslate(m) && !IsDialogMessageW(hwnd_, &m)) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    WatchFocus();
}

void DialogWindow::Pump() {
    WatchFocus();
    MSG m;
    while (!dlg_.IsEnded() && PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) Process(m);
}

bool DialogWindow::PreTranslate(MSG& m) {
    if (m.hwnd != hwnd_ && !IsChild(hwnd_, m.hwnd)) return false;
    if (m.message == WM_RBUTTONUP) {
        // The release is the dialog's before any control sees it.
        int index = ControlIndexOf(m.hwnd);
        if (index < 0) return false;
        POINT p{XOf(m.lParam), YOf(m.lParam)};
        ClientToScreen(m.hwnd, &p);
        bool consumed = false;
        int id = dlg_.Controls()[std::size_t(index)].id;
        Input([&] { consumed = dlg_.InputRightButtonUp(id, {p.x, p.y}); });
        return consumed;
    }
    if (m.message == WM_KEYDOWN && (m.wParam == VK_RETURN || m.wParam == VK_ESCAPE)) {
        // An open drop-down list closes itself.
        int index = ControlIndexOf(m.hwnd);
        if (index >= 0 && dlg_.Controls()[std::size_t(index)].kind == K::kDropDownList &&
            SendMessageW(controls_[std::size_t(index)], CB_GETDROPPEDSTATE, 0, 0))
            return false;
        WatchFocus();
        Input([&] { dlg_.InputKey(m.wParam == VK_RETURN ? Key::kEnter : Key::kEscape); });
        return true;
    }
    return false;
}

void DialogWindow::WatchFocus() {
    HWND focus = GetFocus();
    if (focus == lastFocus_ || syncing_) return;
    lastFocus_ = focus;
    int index = focus ? ControlIndexOf(focus) : -1;
    if (index < 0) return;
    int id = dlg_.Controls()[std::size_t(index)].id;
    if (id == res::kNoId || id == dlg_.GetFocusId() || dlg_.IsEnded()) return;
    Input([&] { dlg_.InputFocus(id); });
}

INT_PTR CALLBACK DialogWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    // Nothing may be thrown through the platform's frames: a failure ends
    // the dialog and is thrown again when its loop has ended.
    DialogWindow* self = msg == WM_INITDIALOG ? reinterpret_cast<DialogWindow*>(lp) : Of(hwnd);
    if (!self) return FALSE;
    try {
        return self->Handle(hwnd, msg, wp, lp);
    } catch (...) {
        self->Fail(std::current_exception());
        return TRUE;
    }
}

void DialogWindow::Fail(std::exception_ptr failure) {
    if (!failure_) failure_ = failure;
    dlg_.EndDialog(kIdCancel);
    if (backend_.openMenu_) EndMenu();
}

INT_PTR DialogWindow::Handle(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, DWLP_USER, lp);
        hwnd_ = hwnd;
        return OnInit();
    }
    DialogWindow* self = this;
    switch (msg) {
        case WM_COMMAND:
            return self->OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
        case WM_NOTIFY:
            return self->OnNotify(*reinterpret_cast<const NMHDR*>(lp));
        case WM_CLOSE:
            self->Input([&] { self->dlg_.InputClose(); });
            return TRUE;
        case WM_ERASEBKGND:
            SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, 1);
            return TRUE;
        case WM_PAINT:
            self->OnPaint();
            return TRUE;
        case WM_ENTERIDLE:
            self->backend_.OnEnterIdle(wp, lp);
            return TRUE;
        case WM_MOVE: {
            POINT origin{0, 0};
            ClientToScreen(hwnd, &origin);
            self->dlg_.SetScreenOrigin({origin.x, origin.y});
            return FALSE;
        }
        default:
            return FALSE;
    }
}

BOOL DialogWindow::OnInit() {
    auto& controls = dlg_.Controls();
    for (HWND c = GetWindow(hwnd_, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        controls_.push_back(c);
    if (controls_.size() != controls.size())
        throw std::logic_error("dialog " + std::to_string(dlg_.TemplateId()) +
                               ": the windows are not the template's controls");
    trees_.resize(controls.size());
    lists_.resize(controls.size());
    selections_.resize(controls.size());
    // The controls' pixels are the ones the dialog font gives.
    for (std::size_t i = 0; i < controls.size(); ++i) {
        Control& c = controls[i];
        RECT r{};
        GetWindowRect(controls_[i], &r);
        MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
        c.rect = {r.left, r.top, r.right, r.bottom};
        if (c.kind == K::kPicture && c.tmpl->image) {
            if (HBITMAP b = LoadResourceBitmap(c.tmpl->image)) {
                bitmaps_.push_back(b);
                SendMessageW(controls_[i], STM_SETIMAGE, IMAGE_BITMAP, LPARAM(b));
            }
        }
        if (c.grid) {
            auto g = std::make_unique<Grid>();
            g->owner = this;
            g->index = int(i);
            g->hwnd = controls_[i];
            c.grid->SetWindowSize(c.rect.Width(), c.rect.Height());
            g->vbar = CreateWindowExW(0, L"SCROLLBAR", nullptr, WS_CHILD | SBS_VERT, 0, 0, 0, 0,
                                      g->hwnd, nullptr, backend_.module_, nullptr);
            g->hbar = CreateWindowExW(0, L"SCROLLBAR", nullptr, WS_CHILD | SBS_HORZ, 0, 0, 0, 0,
                                      g->hwnd, nullptr, backend_.module_, nullptr);
            SetWindowLongW(g->hwnd, GWL_STYLE,
                           GetWindowLongW(g->hwnd, GWL_STYLE) | WS_CLIPCHILDREN);
            SetWindowLongPtrW(g->hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(g.get()));
            grids_.push_back(std::move(g));
        }
    }
    POINT origin{0, 0};
    ClientToScreen(hwnd_, &origin);
    dlg_.SetScreenOrigin({origin.x, origin.y});
    dlg_.SetSurfaceMaker([] { return std::make_unique<gfx::CGdiCanvas>(1, 1); });
    Input([&] { dlg_.InputStart(); });
    return FALSE;  // the model placed the focus
}

BOOL DialogWindow::OnCommand(int id, int code, HWND control) {
    if (syncing_) return TRUE;
    if (!control) {
        // The dialog manager's Enter and Escape, when they come as commands.
        if (id == IDOK || id == IDCANCEL)
            Input([&] { dlg_.InputKey(id == IDOK ? Key::kEnter : Key::kEscape); });
        return TRUE;
    }
    int index = ControlIndexOf(control);
    if (index < 0) return FALSE;
    const Control& c = dlg_.Controls()[std::size_t(index)];
    switch (c.kind) {
        case K::kPushButton:
        case K::kRadioButton:
            if (code != BN_CLICKED) return FALSE;
            WatchFocus();
            Input([&] { dlg_.InputCommand(id); });
            return TRUE;
        case K::kEdit:
            if (code != EN_CHANGE) return FALSE;
            Input([&] { dlg_.InputEditText(id, WindowText(control)); });
            return TRUE;
        case K::kDropDownList:
            if (code == CBN_DROPDOWN) {
                WatchFocus();
                Input([&] { dlg_.InputDropDown(id); });
            } else if (code == CBN_SELCHANGE) {
                WatchFocus();
                int sel = int(SendMessageW(control, CB_GETCURSEL, 0, 0));
                Input([&] { dlg_.InputListSelect(id, sel); });
            } else if (code == CBN_CLOSEUP) {
                // The list can commit an item it moved to while closed with
                // no selection change (Alt+Down, then Enter): read it again,
                // so it never shows another mode than the dialog uses.
                int sel = int(SendMessageW(control, CB_GETCURSEL, 0, 0));
                if (sel != c.curSel) {
                    WatchFocus();
                    Input([&] { dlg_.InputListSelect(id, sel); });
                }
            }
            return TRUE;
        default:
            return FALSE;
    }
}

BOOL DialogWindow::OnNotify(const NMHDR& nm) {
    if (syncing_) return TRUE;
    int index = ControlIndexOf(nm.hwndFrom);
    if (index < 0) return FALSE;
    Control& c = dlg_.Controls()[std::size_t(index)];
    if (!c.tree) return FALSE;
    if (nm.code == TVN_SELCHANGEDW) {
        const auto& tv = reinterpret_cast<const NMTREEVIEWW&>(nm);
        // Only the user's choices: the program's come from the model.
        if (tv.action != TVC_BYMOUSE && tv.action != TVC_BYKEYBOARD) return TRUE;
        auto item = TreeItem(tv.itemNew.lParam);
        WatchFocus();
        Input([&] { dlg_.InputTreeSelect(c.id, item); });
        return TRUE;
    }
    if (nm.code == TVN_ITEMEXPANDEDW) {
        const auto& tv = reinterpret_cast<const NMTREEVIEWW&>(nm);
        c.tree->Expand(TreeItem(tv.itemNew.lParam), tv.action & TVE_EXPAND);
        return TRUE;
    }
    return FALSE;
}

void DialogWindow::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    RECT client{};
    GetClientRect(hwnd_, &client);
    if (!buffer_ || buffer_->GetSize().cx != client.right || buffer_->GetSize().cy != client.bottom)
        buffer_ = std::make_unique<gfx::CGdiCanvas>(client.right, client.bottom);
    buffer_->FillRect({0, 0, client.right, client.bottom},
                      {gfx::Brush::kSolid, SysColor(COLOR_BTNFACE)});
    dlg_.InputPaint(*buffer_);
    // The controls paint themselves; group boxes are drawn over what is
    // inside them, so they paint again after this.
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        if (!IsWindowVisible(controls_[i])) continue;
        RECT r{};
        GetWindowRect(controls_[i], &r);
        MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
        if (dlg_.Controls()[i].kind == K::kGroupBox)
            InvalidateRect(controls_[i], nullptr, FALSE);
        else
            ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
    }
    const RECT& p = ps.rcPaint;
    BitBlt(dc, p.left, p.top, p.right - p.left, p.bottom - p.top, buffer_->Dc(), p.left, p.top,
           SRCCOPY);
    EndPaint(hwnd_, &ps);
}

}  // namespace qz::ui::win32
