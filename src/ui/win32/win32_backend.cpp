#include "ui/win32/win32_backend.h"

#include <commctrl.h>

#include <algorithm>
#include <exception>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "gfx/gdi/gdi_canvas.h"
#include "resources/bitmaps.h"
#include "ui/menu.h"
#include "ui/win32/bitmaps.h"
#include "ui/win32/dialog_template.h"
#include "ui/win32/grid_paint.h"

namespace qz::ui::win32 {

namespace {

using K = res::ControlKind;

int XOf(LPARAM lp) {
    return short(LOWORD(lp));
}
int YOf(LPARAM lp) {
    return short(HIWORD(lp));
}

constexpr int kWheelRows = 3;
constexpr UINT kBoxWatchMs = 10;
constexpr int kResizeGrip = 3;  // pixels either side of a column's edge

const wchar_t* Wide(const Text& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

Text WindowText(HWND hwnd) {
    int n = GetWindowTextLengthW(hwnd);
    std::wstring buf(std::size_t(n) + 1, L'\0');
    n = GetWindowTextW(hwnd, buf.data(), n + 1);
    return Text(buf.begin(), buf.begin() + n);
}

gfx::Color SysColor(int index) {
    COLORREF c = GetSysColor(index);
    return gfx::Rgb(GetRValue(c), GetGValue(c), GetBValue(c));
}

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

LRESULT CALLBACK GridProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

// The backends alive in this module, which share the grid's class.
int gBackends = 0;

void RegisterClasses(HINSTANCE module) {
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
void UnregisterClasses(HINSTANCE module) {
    if (--gBackends == 0) UnregisterClassW(kGridClass, module);
}

}  // namespace

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

// ---- the model to the windows ----------------------------------------------

void DialogWindow::Sync() {
    if (!hwnd_ || controls_.empty()) return;
    syncing_ = true;
    if (WindowText(hwnd_) != dlg_.GetWindowText())
        SetWindowTextW(hwnd_, Wide(dlg_.GetWindowText()));
    for (std::size_t i = 0; i < controls_.size(); ++i) SyncControl(i);
    for (auto& g : grids_) SyncGrid(*g);
    // The focus, unless something modal of this dialog's has it.
    int want = dlg_.GetFocusId();
    HWND target = want != 0 ? ControlHwnd(want) : nullptr;
    if (target && IsWindowVisible(hwnd_) && IsWindowEnabled(hwnd_) && !backend_.openMenu_ &&
        IsWindowVisible(target) && IsWindowEnabled(target) &&
        ControlIndexOf(GetFocus()) != ControlIndexOf(target))
        SetFocus(target);
    lastFocus_ = GetFocus();
    if (dlg_.TakeInvalidated()) InvalidateRect(hwnd_, nullptr, FALSE);
    syncing_ = false;
    // A dialog that ended while its menu was open closes the menu.
    if (dlg_.IsEnded() && backend_.openMenu_) EndMenu();
}

void DialogWindow::SyncControl(std::size_t i) {
    const Control& c = dlg_.Controls()[i];
    HWND h = controls_[i];
    bool shown = GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE;
    if (shown != c.visible) ShowWindow(h, c.visible ? SW_SHOWNA : SW_HIDE);
    if (bool(IsWindowEnabled(h)) != c.enabled) EnableWindow(h, c.enabled);
    switch (c.kind) {
        case K::kEdit:
        case K::kStatic:
        case K::kPushButton:
        case K::kGroupBox:
            if (WindowText(h) != c.text) SetWindowTextW(h, Wide(c.text));
            if (c.IsEdit() && selections_[i] != c.selections) {
                SendMessageW(h, EM_SETSEL, 0, -1);
                selections_[i] = c.selections;
            }
            break;
        case K::kRadioButton:
            if (WindowText(h) != c.text) SetWindowTextW(h, Wide(c.text));
            if (bool(SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED) != c.checked)
                SendMessageW(h, BM_SETCHECK, c.checked ? BST_CHECKED : BST_UNCHECKED, 0);
            break;
        case K::kDropDownList:
            if (lists_[i] != c.items) {
                SendMessageW(h, CB_RESETCONTENT, 0, 0);
                for (const Text& item : c.items)
                    SendMessageW(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item)));
                lists_[i] = c.items;
            }
            if (int(SendMessageW(h, CB_GETCURSEL, 0, 0)) != c.curSel)
                SendMessageW(h, CB_SETCURSEL, WPARAM(c.curSel), 0);
            break;
        case K::kTreeView:
            SyncTree(i);
            break;
        default:
            break;
    }
}

void DialogWindow::SyncTree(std::size_t i) {
    const CTreeModel& model = *dlg_.Controls()[i].tree;
    TreeState& t = trees_[i];
    HWND h = controls_[i];
    if (model.GetImageList() != t.imageList) {
        if (t.images) ImageList_Destroy(t.images);
        t.images = nullptr;
        t.imageList = model.GetImageList();
        if (HBITMAP b = LoadResourceBitmap(t.imageList)) {
            BITMAP info{};
            GetObjectW(b, sizeof info, &info);
            int size = info.bmHeight;
            t.images = ImageList_Create(size, size, ILC_COLOR4 | ILC_MASK, info.bmWidth / size, 1);
            const std::uint32_t m = res::kTreeImageMask;
            ImageList_AddMasked(t.images, b, RGB(m >> 16 & 0xFF, m >> 8 & 0xFF, m & 0xFF));
            DeleteObject(b);
        }
        SendMessageW(h, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(t.images));
    }
    // The model's colour is 0xRRGGBB.
    std::uint32_t rgb = model.GetTextColor();
    COLORREF color = RGB(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF);
    if (COLORREF(SendMessageW(h, TVM_GETTEXTCOLOR, 0, 0)) != color)
        SendMessageW(h, TVM_SETTEXTCOLOR, 0, LPARAM(color));
    if (int(SendMessageW(h, TVM_GETITEMHEIGHT, 0, 0)) != model.GetItemHeight())
        SendMessageW(h, TVM_SETITEMHEIGHT, WPARAM(model.GetItemHeight()), 0);

    // The model only appends, or starts again: keep what matches, rebuild
    // from the first node that does not.
    std::vector<TreeNode> now;
    for (TreeItem item = 1; model.IsItem(item); ++item)
        now.push_back({model.GetItemText(item), model.GetParentItem(item), model.GetItemImage(item),
                       model.GetItemData(item)});
    std::size_t same = 0;
    while (same < now.size() && same < t.nodes.size() && now[same].text == t.nodes[same].text &&
           now[same].parent == t.nodes[same].parent && now[same].data == t.nodes[same].data)
        ++same;
    if (same < t.nodes.size()) {
        SendMessageW(h, TVM_DELETEITEM, 0, LPARAM(TVI_ROOT));
        t.nodes.clear();
        t.handles.clear();
        same = 0;
    }
    for (std::size_t k = same; k < now.size(); ++k) {
        TVINSERTSTRUCTW ins{};
        ins.hParent = now[k].parent ? t.handles[std::size_t(now[k].parent - 1)] : TVI_ROOT;
        ins.hInsertAfter = TVI_LAST;
        ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
        ins.item.pszText = const_cast<wchar_t*>(Wide(now[k].text));
        ins.item.iImage = ins.item.iSelectedImage = now[k].image;
        ins.item.lParam = LPARAM(k + 1);
        t.handles.push_back(reinterpret_cast<HTREEITEM>(
            SendMessageW(h, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins))));
        t.nodes.push_back(now[k]);
    }
    for (std::size_t k = 0; k < now.size(); ++k) {
        HTREEITEM item = t.handles[k];
        bool expanded =
            SendMessageW(h, TVM_GETITEMSTATE, WPARAM(item), TVIS_EXPANDED) & TVIS_EXPANDED;
        if (expanded != model.IsExpanded(TreeItem(k + 1)))
            SendMessageW(h, TVM_EXPAND,
                         model.IsExpanded(TreeItem(k + 1)) ? TVE_EXPAND : TVE_COLLAPSE,
                         LPARAM(item));
    }
    TreeItem sel = model.GetSelectedItem();
    HTREEITEM want = model.IsItem(sel) ? t.handles[std::size_t(sel - 1)] : nullptr;
    if (HTREEITEM(SendMessageW(h, TVM_GETNEXTITEM, TVGN_CARET, 0)) != want)
        SendMessageW(h, TVM_SELECTITEM, TVGN_CARET, LPARAM(want));
}

void DialogWindow::SyncGrid(Grid& g) {
    const CMSFlexGrid& model = g.Model();
    RECT client{};
    GetClientRect(g.hwnd, &client);
    Rect area = model.CellArea();
    // The scroll bars sit in the strips the model leaves beside the cells.
    bool vert = area.right < client.right - area.left;
    bool horz = area.bottom < client.bottom - area.top;
    if (vert) {
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
        si.nMin = model.GetFixedRows();
        si.nMax = std::max(si.nMin, model.GetRows() - 1);
        si.nPage = UINT(std::max(1, model.GetRows() - model.MaxTopRow()));
        si.nPos = model.GetTopRow();
        SetScrollInfo(g.vbar, SB_CTL, &si, TRUE);
        MoveWindow(g.vbar, area.right, area.top, client.right - area.left - area.right,
                   area.Height(), TRUE);
    }
    if (horz) {
        // The scrolling columns, a column a step.
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
        si.nMin = model.GetFixedCols();
        si.nMax = std::max(si.nMin, model.GetCols() - 1);
        si.nPage = UINT(std::max(1, model.GetCols() - model.MaxLeftCol()));
        si.nPos = model.GetLeftCol();
        SetScrollInfo(g.hbar, SB_CTL, &si, TRUE);
        MoveWindow(g.hbar, area.left, area.bottom, area.Width(),
                   client.bottom - area.top - area.bottom, TRUE);
        EnableWindow(g.hbar, model.MaxLeftCol() > model.GetFixedCols());
    }
    ShowWindow(g.vbar, vert ? SW_SHOWNA : SW_HIDE);
    ShowWindow(g.hbar, horz ? SW_SHOWNA : SW_HIDE);
    if (model.GetRedraw()) InvalidateRect(g.hwnd, nullptr, FALSE);
}

// ---- the grid's window -------------------------------------------------------

namespace {

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

}  // namespace

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

// ---- the backend ---------------------------------------------------------------

Win32Backend::Win32Backend(HINSTANCE module) : module_(module) {
    RegisterClasses(module);
}

Win32Backend::~Win32Backend() {
    if (idleOwner_) {
        DestroyWindow(idleOwner_);
        UnregisterClassW(kIdleOwnerClass, module_);
    }
    UnregisterClasses(module_);
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

namespace {

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
