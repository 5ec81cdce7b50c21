#include "ui/win32/dialog_window.h"

#include <algorithm>
#include <optional>

#include "ui/win32/dialog_template.h"
#include "ui/win32/grid_paint.h"

namespace qz::ui::win32 {

namespace {

constexpr int kWheelRows = 3;
constexpr int kResizeGrip = 3;  // pixels either side of a column's edge

GridColors SystemGridColors() {
    GridColors c;
    c.cell = SysColor(COLOR_WINDOW);
    c.text = SysColor(COLOR_WINDOWTEXT);
    c.fixed = SysColor(COLOR_BTNFACE);
    c.fixedText = SysColor(COLOR_BTNTEXT);
    c.selection = SysColor(COLOR_HIGHLIGHT);
    c.selectionText = SysColor(COLOR_HIGHLIGHTTEXT);
    c.light = SysColor(COLOR_BTNHIGHLIGHT);
    c.shadow = SysColor(COLOR_BTNSHADOW);
    c.darkShadow = SysColor(COLOR_3DDKSHADOW);
    c.background = SysColor(COLOR_APPWORKSPACE);
    return c;
}

// Where a scroll bar's request moves the first row or column shown (`pos`,
// of `count`): a line, a page less one, an end or the thumb; none for the
// requests that move nothing.  The model keeps it in range.
std::optional<int> Scrolled(WPARAM wp, HWND bar, int pos, int count) {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    GetScrollInfo(bar, SB_CTL, &si);
    const int page = std::max(1, int(si.nPage) - 1);
    switch (LOWORD(wp)) {
        case SB_LINEUP:
            return pos - 1;
        case SB_LINEDOWN:
            return pos + 1;
        case SB_PAGEUP:
            return pos - page;
        case SB_PAGEDOWN:
            return pos + page;
        case SB_TOP:
            return 0;
        case SB_BOTTOM:
            return count;
        case SB_THUMBTRACK:
            return si.nTrackPos;
        case SB_THUMBPOSITION:
            return int(short(HIWORD(wp)));
        default:
            return std::nullopt;
    }
}

LRESULT CALLBACK GridProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* g = reinterpret_cast<DialogWindow::Grid*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!g) {
        if (msg == WM_ERASEBKGND) return 1;
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    try {
        return g->owner->GridMessage(*g, msg, wp, lp);
    } catch (...) {
        g->owner->Fail(std::current_exception());
        return 0;
    }
}

// The backends alive in this module, which share the grid's class.
int gBackends = 0;

}  // namespace

void RegisterGridClass(HINSTANCE module) {
    if (gBackends++ > 0) return;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSEXW grid{};
    grid.cbSize = sizeof grid;
    // Global, so that dialog templates of any module find it.
    grid.style = CS_GLOBALCLASS | CS_DBLCLKS;
    grid.lpfnWndProc = GridProc;
    grid.hInstance = module;
    grid.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    grid.lpszClassName = kGridClass;
    RegisterClassExW(&grid);
}

// A DLL's window classes outlive it unless it unregisters them: a host that
// loaded the library again at another address would find the grid's class
// still pointing into the old image, and no dialog would open.
void UnregisterGridClass(HINSTANCE module) {
    if (--gBackends == 0) UnregisterClassW(kGridClass, module);
}

LRESULT DialogWindow::GridMessage(Grid& g, UINT msg, WPARAM wp, LPARAM lp) {
    CMSFlexGrid& model = g.Model();
    const int id = g.Id();
    // The column whose right edge is under a point of the heading row.
    auto edgeAt = [&](int x, int y) {
        if (model.GetAllowUserResizing() == 0) return -1;
        Rect area = model.CellArea();
        int heading = TwipsToPixels(model.GetRowHeight(0));
        if (model.GetFixedRows() < 1 || y < area.top || y >= area.top + heading) return -1;
        int right = area.left;
        for (int c = 0; c < model.GetCols(); ++c) {
            right += TwipsToPixels(model.GetColWidth(c));
            if (std::abs(x - right) <= kResizeGrip) return c;
        }
        return -1;
    };
    switch (msg) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(g.hwnd, &ps);
            RECT client{};
            GetClientRect(g.hwnd, &client);
            if (!g.buffer || g.buffer->GetSize().cx != client.right ||
                g.buffer->GetSize().cy != client.bottom)
                g.buffer = std::make_unique<gfx::CGdiCanvas>(client.right, client.bottom);
            if (model.GetRedraw())
                PaintGrid(model, *g.buffer, SystemGridColors(), GetFocus() == g.hwnd);
            const RECT& p = ps.rcPaint;
            BitBlt(dc, p.left, p.top, p.right - p.left, p.bottom - p.top, g.buffer->Dc(), p.left,
                   p.top, SRCCOPY);
            EndPaint(g.hwnd, &ps);
            return 0;
        }
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            InvalidateRect(g.hwnd, nullptr, FALSE);  // the focus rectangle
            break;
        case WM_KEYDOWN: {
            KeyStroke key{int(wp), GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_SHIFT) < 0};
            Input([&] { dlg_.InputGridKey(id, key); });
            return 0;
        }
        case WM_SYSKEYDOWN:
        case WM_SYSKEYUP:
            // F10 comes as a system key: Shift+F10 opens the table's menu,
            // and F10 alone must not enter the window's menu mode.
            if (wp != VK_F10) break;
            if (msg == WM_SYSKEYDOWN) {
                KeyStroke key{int(wp), GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_SHIFT) < 0};
                Input([&] { dlg_.InputGridKey(id, key); });
            }
            return 0;
        case WM_SETCURSOR:
            if (LOWORD(lp) == HTCLIENT) {
                POINT p;
                GetCursorPos(&p);
                ScreenToClient(g.hwnd, &p);
                if (g.resizing >= 0 || edgeAt(p.x, p.y) >= 0) {
                    SetCursor(LoadCursorW(nullptr, IDC_SIZEWE));
                    return TRUE;
                }
            }
            break;
        case WM_MOUSEMOVE: {
            if (g.resizing >= 0) {
                int left = model.CellArea().left;
                for (int c = 0; c < g.resizing; ++c) left += TwipsToPixels(model.GetColWidth(c));
                int width = std::max(0, XOf(lp) - left);
                model.SetColWidth(g.resizing, width * kTwipsPerPixel);
                SyncGrid(g);
                return 0;
            }
            dlg_.InputGridMouseMove(id, g.ToDialog(lp));
            return 0;
        }
        case WM_LBUTTONDOWN: {
            int edge = edgeAt(XOf(lp), YOf(lp));
            SetFocus(g.hwnd);
            WatchFocus();
            if (dlg_.IsEnded()) return 0;
            SetCapture(g.hwnd);
            if (edge >= 0) {
                g.resizing = edge;
                return 0;
            }
            g.pressed = true;
            Point p = g.ToDialog(lp);
            Input([&] {
                dlg_.InputGridMouseMove(id, p);
                dlg_.InputGridMouseDown(id, p);
            });
            return 0;
        }
        case WM_LBUTTONUP: {
            // Releasing the capture clears the press: take it first.
            bool click = std::exchange(g.pressed, false);
            g.resizing = -1;
            if (GetCapture() == g.hwnd) ReleaseCapture();
            if (click) Input([&] { dlg_.InputGridClick(id); });
            return 0;
        }
        case WM_LBUTTONDBLCLK: {
            SetFocus(g.hwnd);
            WatchFocus();
            if (dlg_.IsEnded() || edgeAt(XOf(lp), YOf(lp)) >= 0) return 0;
            Point p = g.ToDialog(lp);
            Input([&] {
                dlg_.InputGridMouseMove(id, p);
                dlg_.InputGridDblClick(id);
            });
            return 0;
        }
        case WM_CAPTURECHANGED:
            g.resizing = -1;
            g.pressed = false;
            return 0;
        case WM_VSCROLL:
            if (auto top = Scrolled(wp, g.vbar, model.GetTopRow(), model.GetRows());
                top && *top != model.GetTopRow())
                Input([&] { dlg_.InputGridScroll(id, *top); });
            return 0;
        case WM_HSCROLL:
            if (auto left = Scrolled(wp, g.hbar, model.GetLeftCol(), model.GetCols());
                left && *left != model.GetLeftCol())
                Input([&] { dlg_.InputGridScrollColumns(id, *left); });
            return 0;
        case WM_MOUSEWHEEL: {
            int rows = -GET_WHEEL_DELTA_WPARAM(wp) * kWheelRows / WHEEL_DELTA;
            if (rows != 0) Input([&] { dlg_.InputGridScroll(id, model.GetTopRow() + rows); });
            return 0;
        }
        default:
            break;
    }
    return DefWindowProcW(g.hwnd, msg, wp, lp);
}

}  // namespace qz::ui::win32
