// Message boxes and pop-up menus: the platform's, shown by the backend,
// with the timer that finds a message box for the idle handler.
#include "ui/win32/dialog_window.h"

#include <string>
#include <utility>

namespace qz::ui::win32 {

namespace {

constexpr UINT kBoxWatchMs = 10;

Win32Backend* gBoxWatcher = nullptr;
HWND gBoxOwner = nullptr;
std::exception_ptr gBoxFailure;

// Wine's message boxes send their owner no WM_ENTERIDLE: a timer, whose
// messages come only when the queue is otherwise empty, looks for the box.
void CALLBACK WatchBox(HWND, UINT, UINT_PTR, DWORD) {
    HWND box = GetActiveWindow();
    wchar_t name[16] = {};
    if (!gBoxWatcher || !box || GetWindow(box, GW_OWNER) != gBoxOwner ||
        !GetClassNameW(box, name, 16) || std::wstring(name) != L"#32770")
        return;
    // Nothing may be thrown through the box's frames: the failure waits
    // until the box is gone, and the box closes as if unanswered.
    try {
        gBoxWatcher->OnEnterIdle(MSGF_DIALOGBOX, reinterpret_cast<LPARAM>(box));
    } catch (...) {
        gBoxFailure = std::current_exception();
        PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    }
}

}  // namespace

int Win32Backend::MessageBox(TextView text, TextView caption, unsigned flags) {
    HWND owner = Innermost() ? Innermost()->Hwnd() : idleOwner_ ? idleOwner_ : GetActiveWindow();
    UINT style = flags;
    if (!owner) style |= MB_TASKMODAL;
    Box outerBox = std::exchange(box_, Box{Text(text), Text(caption), flags});
    ++boxSerial_;
    UINT_PTR timer = 0;
    Win32Backend* outerWatcher = std::exchange(gBoxWatcher, this);
    HWND outerOwner = std::exchange(gBoxOwner, owner);
    if (idle_.messageBox) timer = SetTimer(nullptr, 0, kBoxWatchMs, WatchBox);
    int answer = MessageBoxW(owner, Wide(Text(text)), Wide(Text(caption)), style);
    if (timer) KillTimer(nullptr, timer);
    gBoxWatcher = outerWatcher;
    gBoxOwner = outerOwner;
    box_ = std::move(outerBox);
    if (gBoxFailure) std::rethrow_exception(std::exchange(gBoxFailure, nullptr));
    if (DialogWindow* w = Innermost()) w->WatchFocus();
    return answer;
}

int Win32Backend::TrackPopupMenu(const PopupMenu& menu, Point screen, CDialog& owner) {
    HWND hwnd = WindowOf(owner);
    HMENU popup = CreatePopupMenu();
    for (const auto& item : menu.Template().items) {
        if (item.command == 0) {
            AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
        } else {
            UINT state = menu.IsGreyed(item.command) ? MF_GRAYED : MF_ENABLED;
            AppendMenuW(popup, MF_STRING | state, UINT_PTR(item.command), Wide(Text(item.text)));
        }
    }
    HMENU outer = std::exchange(openMenu_, popup);
    const PopupMenu* outerMenu = std::exchange(shownMenu_, &menu);
    Point outerPoint = std::exchange(menuPoint_, screen);
    ++menuSerial_;
    if (hwnd) SetForegroundWindow(hwnd);
    int command = int(::TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_LEFTBUTTON | TPM_RETURNCMD,
                                       screen.x, screen.y, 0, hwnd, nullptr));
    openMenu_ = outer;
    shownMenu_ = outerMenu;
    menuPoint_ = outerPoint;
    DestroyMenu(popup);
    return owner.IsEnded() ? 0 : command;
}

}  // namespace qz::ui::win32
