// Inside the Windows user interface: one shown dialog, and what its parts
// share.  The dialog's window (dialog_window.cpp), bringing the windows in
// line with the model (dialog_sync.cpp), the grid's window class
// (grid_window.cpp), and message boxes and menus (popups.cpp) each live in a
// file of their own.
#pragma once

// <windows.h> before the common controls.
#include "ui/win32/win32_backend.h"

#include <commctrl.h>

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "gfx/gdi/gdi_canvas.h"

namespace qz::ui::win32 {

using K = res::ControlKind;

inline int XOf(LPARAM lp) {
    return short(LOWORD(lp));
}
inline int YOf(LPARAM lp) {
    return short(HIWORD(lp));
}

inline const wchar_t* Wide(const Text& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

inline gfx::Color SysColor(int index) {
    COLORREF c = GetSysColor(index);
    return gfx::Rgb(GetRValue(c), GetGValue(c), GetBValue(c));
}

// The grid's window class, shared by the backends alive in this module.
void RegisterGridClass(HINSTANCE module);
void UnregisterGridClass(HINSTANCE module);

// ---- one shown dialog ------------------------------------------------------

class DialogWindow {
  public:
    DialogWindow(Win32Backend& backend, CDialog& dlg) : backend_(backend), dlg_(dlg) {}
    ~DialogWindow();

    static INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    INT_PTR Handle(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void Fail(std::exception_ptr failure);
    static DialogWindow* Of(HWND hwnd) {
        return reinterpret_cast<DialogWindow*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    }

    void Run(HWND owner);
    void Pump();
    HWND Hwnd() const { return hwnd_; }
    CDialog& Dlg() { return dlg_; }
    HWND ControlHwnd(int id) const;
    int ControlIndexOf(HWND hwnd) const;

    // The model to the windows, after every input.
    void Sync();
    // The focus that the windows moved, to the model.
    void WatchFocus();

    struct Grid {
        DialogWindow* owner = nullptr;
        int index = 0;  // of the control
        HWND hwnd = nullptr, vbar = nullptr, hbar = nullptr;
        bool pressed = false;
        int resizing = -1;  // the column whose edge is dragged
        std::unique_ptr<gfx::CGdiCanvas> buffer;
        CMSFlexGrid& Model() const { return *owner->dlg_.Controls()[std::size_t(index)].grid; }
        int Id() const { return owner->dlg_.Controls()[std::size_t(index)].id; }
        Point ToDialog(LPARAM lp) const;
    };
    LRESULT GridMessage(Grid& g, UINT msg, WPARAM wp, LPARAM lp);

  private:
    struct TreeNode {
        Text text;
        TreeItem parent = kTreeNone;
        int image = 0;
        std::intptr_t data = 0;
    };
    struct TreeState {
        std::vector<TreeNode> nodes;  // as shown
        std::vector<HTREEITEM> handles;
        HIMAGELIST images = nullptr;
        int imageList = 0;
    };

    BOOL OnInit();
    BOOL OnCommand(int id, int code, HWND control);
    BOOL OnNotify(const NMHDR& nm);
    void OnPaint();
    bool PreTranslate(MSG& m);
    void Process(MSG& m);
    void SyncControl(std::size_t i);
    void SyncTree(std::size_t i);
    void SyncGrid(Grid& g);
    void Center(HWND owner);
    // Runs an input call and brings the windows in line.
    template <class F>
    void Input(F&& call) {
        call();
        Sync();
    }

    Win32Backend& backend_;
    CDialog& dlg_;
    HWND hwnd_ = nullptr;
    std::vector<HWND> controls_;  // by the control's index
    std::vector<std::unique_ptr<Grid>> grids_;
    std::vector<TreeState> trees_;  // by the control's index
    std::vector<std::vector<Text>> lists_;
    std::vector<int> selections_;
    std::vector<HBITMAP> bitmaps_;
    std::unique_ptr<gfx::CGdiCanvas> buffer_;
    HWND lastFocus_ = nullptr;
    bool syncing_ = false;
    std::exception_ptr failure_;
};

}  // namespace qz::ui::win32
