#include "ui/win32/win32_backend.h"

#include "ui/win32/dialog_window.h"

namespace qz::ui::win32 {

Text WindowText(HWND hwnd) {
    int n = GetWindowTextLengthW(hwnd);
    std::wstring buf(std::size_t(n) + 1, L'\0');
    n = GetWindowTextW(hwnd, buf.data(), n + 1);
    return Text(buf.begin(), buf.begin() + n);
}

Win32Backend::Win32Backend(HINSTANCE module) : module_(module) {
    RegisterGridClass(module);
}

Win32Backend::~Win32Backend() {
    if (idleOwner_) {
        DestroyWindow(idleOwner_);
        UnregisterClassW(kIdleOwnerClass, module_);
    }
    UnregisterGridClass(module_);
}

void Win32Backend::SetIdleHandler(IdleHandler idle) {
    idle_ = std::move(idle);
    if (idle_.messageBox && !idleOwner_) {
        WNDCLASSEXW c{};
        c.cbSize = sizeof c;
        c.lpfnWndProc = IdleOwnerProc;
        c.hInstance = module_;
        c.lpszClassName = kIdleOwnerClass;
        RegisterClassExW(&c);
        idleOwner_ = CreateWindowExW(WS_EX_TOOLWINDOW, kIdleOwnerClass, L"QuarnZGraph", WS_POPUP, 0,
                                     0, 0, 0, nullptr, nullptr, module_, nullptr);
        SetWindowLongPtrW(idleOwner_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
}

LRESULT CALLBACK Win32Backend::IdleOwnerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<Win32Backend*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && msg == WM_ENTERIDLE) {
        self->OnEnterIdle(wp, lp);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

bool Win32Backend::OnEnterIdle(WPARAM kind, LPARAM window) {
    if (kind == MSGF_DIALOGBOX && idle_.messageBox)
        return idle_.messageBox(reinterpret_cast<HWND>(window));
    if (kind == MSGF_MENU && idle_.menu && openMenu_) {
        DialogWindow* w = Innermost();
        return idle_.menu(openMenu_, w ? w->Hwnd() : nullptr);
    }
    return false;
}

HWND Win32Backend::WindowOf(const CDialog& dlg) const {
    for (DialogWindow* w : stack_)
        if (&w->Dlg() == &dlg) return w->Hwnd();
    return nullptr;
}

void Win32Backend::Pump(const CDialog& dlg) {
    for (DialogWindow* w : stack_)
        if (&w->Dlg() == &dlg) return w->Pump();
}

int Win32Backend::FocusedControl(const CDialog& dlg) const {
    for (DialogWindow* w : stack_) {
        if (&w->Dlg() != &dlg) continue;
        int index = w->ControlIndexOf(GetFocus());
        return index < 0 ? 0 : dlg.Controls()[std::size_t(index)].id;
    }
    return 0;
}

HWND Win32Backend::ControlWindow(const CDialog& dlg, int id) const {
    for (DialogWindow* w : stack_)
        if (&w->Dlg() == &dlg) return w->ControlHwnd(id);
    return nullptr;
}

void Win32Backend::RunModal(CDialog& dlg) {
    // Owned by the innermost dialog, or by the host's active window.
    HWND owner = Innermost() ? Innermost()->Hwnd() : GetActiveWindow();
    DialogWindow window(*this, dlg);
    stack_.push_back(&window);
    struct Pop {
        std::vector<DialogWindow*>& stack;
        ~Pop() { stack.pop_back(); }
    } pop{stack_};
    window.Run(owner);
}

}  // namespace qz::ui::win32
