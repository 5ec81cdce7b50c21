#include "ui/win32/dialog_window.h"

#include <algorithm>

#include "resources/bitmaps.h"
#include "ui/win32/bitmaps.h"

namespace qz::ui::win32 {

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

namespace {

// A grid's scroll bar over its `count` rows or columns, the first `fixed`
// never scrolled, `first` the first shown and `maxFirst` the last it can be.
void SetBar(HWND bar, int fixed, int count, int maxFirst, int first) {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
    si.nMin = fixed;
    si.nMax = std::max(si.nMin, count - 1);
    si.nPage = UINT(std::max(1, count - maxFirst));
    si.nPos = first;
    SetScrollInfo(bar, SB_CTL, &si, TRUE);
}

}  // namespace

void DialogWindow::SyncGrid(Grid& g) {
    const CMSFlexGrid& model = g.Model();
    RECT client{};
    GetClientRect(g.hwnd, &client);
    Rect area = model.CellArea();
    // The scroll bars sit in the strips the model leaves beside the cells.
    bool vert = area.right < client.right - area.left;
    bool horz = area.bottom < client.bottom - area.top;
    if (vert) {
        SetBar(g.vbar, model.GetFixedRows(), model.GetRows(), model.MaxTopRow(), model.GetTopRow());
        MoveWindow(g.vbar, area.right, area.top, client.right - area.left - area.right,
                   area.Height(), TRUE);
    }
    if (horz) {
        // The scrolling columns, a column a step.
        SetBar(g.hbar, model.GetFixedCols(), model.GetCols(), model.MaxLeftCol(),
               model.GetLeftCol());
        MoveWindow(g.hbar, area.left, area.bottom, area.Width(),
                   client.bottom - area.top - area.bottom, TRUE);
        EnableWindow(g.hbar, model.MaxLeftCol() > model.GetFixedCols());
    }
    ShowWindow(g.vbar, vert ? SW_SHOWNA : SW_HIDE);
    ShowWindow(g.hbar, horz ? SW_SHOWNA : SW_HIDE);
    if (model.GetRedraw()) InvalidateRect(g.hwnd, nullptr, FALSE);
}

}  // namespace qz::ui::win32
