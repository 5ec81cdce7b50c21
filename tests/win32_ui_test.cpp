// The Windows user interface on real windows (under Wine in Xvfb): the
// controls where their dialog units put them, the grid's window, the tree
// and the pictures, the paint path, nested modal runs, message boxes and
// menus.  A driver stands in for the user: it acts whenever a loop waits.
#ifdef _WIN32
#include "ui/win32/win32_backend.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/zone_set_call.h"
#include "dialogs/common/setting_fields.h"
#include "dialogs/grapheditor/element_dlgs.h"
#include "dialogs/grapheditor/graph_editor_dlg.h"
#include "dialogs/import/import_prot_dlg.h"
#include "gfx/gdi/gdi_canvas.h"
#include "gfx/recording_canvas.h"
#include "import_fixture.h"
#include "key_sessions.h"
#include "odbc_config.h"
#include "plot/rx_plot.h"
#include "resources/bitmaps.h"
#include "resources/templates.h"
#include "session/headless/headless_session.h"
#include "session/win32/session_player.h"
#include "test_util.h"
#include "ui/menu.h"
#include "ui/win32/capture.h"
#include "ui/win32/grid_paint.h"

using namespace qz;
using namespace qz::ui;
using win32::Win32Backend;

namespace {

Win32Backend& Ui() {
    static Win32Backend backend(GetModuleHandleW(nullptr));
    return backend;
}

// Steps played one at a time whenever the innermost dialog's queue is empty;
// a dialog that finds no step left is closed, so nothing waits for ever.
class Driver {
  public:
    using StepFn = std::function<void(CDialog&, HWND)>;
    Driver() {
        Ui().SetIdleHandler(
            {[this](CDialog& d, HWND w) { return AtDialog(d, w); },
             [this](HWND box) { return box_ && std::exchange(box_, {})(box); },
             [this](HMENU m, HWND owner) { return menu_ && std::exchange(menu_, {})(m, owner); }});
    }
    ~Driver() { Ui().ClearIdleHandler(); }
    void Then(StepFn step) { steps_.push_back(std::move(step)); }
    void AtBox(std::function<bool(HWND)> f) { box_ = std::move(f); }
    void AtMenu(std::function<bool(HMENU, HWND)> f) { menu_ = std::move(f); }

  private:
    bool AtDialog(CDialog& dlg, HWND w) {
        if (steps_.empty()) {
            PostMessageW(w, WM_CLOSE, 0, 0);
            return true;
        }
        StepFn step = std::move(steps_.front());
        steps_.pop_front();
        step(dlg, w);
        return true;
    }
    std::deque<StepFn> steps_;
    std::function<bool(HWND)> box_;
    std::function<bool(HMENU, HWND)> menu_;
};

// A dialog of any template that logs what reaches it.
class Probe : public CDialog {
  public:
    using CDialog::CDialog;
    std::vector<std::string> log;
    std::function<void(Probe&)> init;
    std::function<void(Probe&, int)> command;
    std::function<void(Probe&, int, Point)> rbutton;
    std::function<void(gfx::CCanvas&)> paint;

  protected:
    bool OnInitDialog() override {
        CDialog::OnInitDialog();
        if (init) init(*this);
        return true;
    }
    void OnCommand(int id) override {
        log.push_back("command " + std::to_string(id));
        if (command) command(*this, id);
    }
    void OnSetFocus(int id) override { log.push_back("focus " + std::to_string(id)); }
    void OnGridEvent(int id, int event) override {
        const CMSFlexGrid& g = Grid(id);
        log.push_back("grid " + std::to_string(event) + " row " + std::to_string(g.GetRow()) +
                      " mouse " + std::to_string(g.GetMouseRow()) + "," +
                      std::to_string(g.GetMouseCol()));
    }
    bool OnRightButtonUp(int id, Point screen) override {
        log.push_back("rbutton " + std::to_string(id));
        if (rbutton) rbutton(*this, id, screen);
        return true;
    }
    void OnTreeSelChanged(int id) override {
        log.push_back("tree " + ToUtf8(Tree(id).GetItemText(Tree(id).GetSelectedItem())));
    }
    void OnPaint(gfx::CCanvas& dc) override {
        if (paint) paint(dc);
    }
};

RECT ClientRectOf(HWND control, HWND dialog) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

SIZE TextSize(HWND control, const std::u16string& text) {
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, HGDIOBJ(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(text.c_str()), int(text.size()),
                          &size);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return size;
}

LPARAM At(Point p) {
    return MAKELPARAM(p.x, p.y);
}

void PostClick(HWND hwnd, Point p) {
    PostMessageW(hwnd, WM_MOUSEMOVE, 0, At(p));
    PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, At(p));
    PostMessageW(hwnd, WM_LBUTTONUP, 0, At(p));
}

int RunModal(Probe& dlg) {
    UseBackend use(Ui());
    return dlg.DoModal();
}

}  // namespace

TEST(Win32Ui, ControlsSitAtTheirDialogUnitsShowTheirTextWholeAndTheirPictures) {
    // Texts the dialogs put into their value labels later.
    const std::vector<std::u16string> labels = {u"幅值 Zzd_Mag =", u"角度 Zzd_Ang =",
                                                u"偏转角 AngShift =", u"正序阻抗角 Ang ="};
    for (const auto& t : res::AllDialogs()) {
        SCOPED_TRACE(t.id);
        Probe dlg(t.id);
        Driver driver;
        driver.Then([&](CDialog&, HWND w) {
            RECT units{0, 0, 4, 8};
            MapDialogRect(w, &units);
            if (t.id == res::kDlgZoneSet)
                std::printf("dialog font base units: %ld x %ld pixels\n", units.right,
                            units.bottom);
            for (const Control& c : dlg.Controls()) {
                SCOPED_TRACE(c.id);
                HWND h = Ui().ControlWindow(dlg, c.id);
                if (c.id == res::kNoId) {
                    // Unnamed controls: the n-th window is the n-th control.
                    h = GetWindow(w, GW_CHILD);
                    for (const Control* p = dlg.Controls().data(); p != &c; ++p)
                        h = GetWindow(h, GW_HWNDNEXT);
                }
                ASSERT_NE(h, nullptr);
                // The dialog manager maps the position and the size.
                RECT want{c.tmpl->rect.x, c.tmpl->rect.y, c.tmpl->rect.cx, c.tmpl->rect.cy};
                MapDialogRect(w, &want);
                want.right += want.left;
                want.bottom += want.top;
                RECT got = ClientRectOf(h, w);
                EXPECT_EQ(got.left, want.left);
                EXPECT_EQ(got.top, want.top);
                EXPECT_EQ(got.right, want.right);
                // A drop-down list's window is its closed part.
                if (c.kind != res::ControlKind::kDropDownList) {
                    EXPECT_EQ(got.bottom, want.bottom);
                }
                EXPECT_EQ(c.rect, (Rect{got.left, got.top, got.right, got.bottom}));

                RECT client{};
                GetClientRect(h, &client);
                using K = res::ControlKind;
                int room = client.right;
                if (c.kind == K::kPushButton) room -= 2 * GetSystemMetrics(SM_CXEDGE);
                if (c.kind == K::kRadioButton) room -= GetSystemMetrics(SM_CXMENUCHECK) + 2;
                std::vector<std::u16string> texts;
                bool labelled =
                    c.kind == K::kStatic || c.kind == K::kPushButton || c.kind == K::kRadioButton;
                if (labelled && c.tmpl->text) texts.emplace_back(c.tmpl->text);
                if (c.kind == K::kStatic && c.style & res::kRightAlign && c.tmpl->rect.cx >= 81)
                    texts.insert(texts.end(), labels.begin(), labels.end());
                for (auto text : texts) {
                    std::erase(text, u'&');
                    EXPECT_LE(TextSize(h, text).cx, room) << ToUtf8(text);
                }
                if (c.kind == K::kPicture) {
                    auto bitmap = HBITMAP(SendMessageW(h, STM_GETIMAGE, IMAGE_BITMAP, 0));
                    ASSERT_NE(bitmap, nullptr);
                    BITMAP info{};
                    GetObjectW(bitmap, sizeof info, &info);
                    EXPECT_EQ(info.bmWidth, res::FindPicture(c.tmpl->image)->width);
                    EXPECT_LE(info.bmWidth, client.right);
                    EXPECT_LE(info.bmHeight, client.bottom);
                }
            }
            PostMessageW(w, WM_CLOSE, 0, 0);
        });
        EXPECT_EQ(RunModal(dlg), kIdCancel);
    }
}

TEST(Win32Ui, TheWindowsFollowTheModelAndTheUsersInputReachesIt) {
    Probe dlg(res::kDlgCustom);
    dlg.init = [](Probe& d) {
        FillModeList(d, res::kListCustomMode);
        d.ListSetCurSel(res::kListCustomMode, 1);
        d.SetWindowText(u"自定义--保护区段");
    };
    dlg.command = [](Probe& d, int id) {
        if (id != res::kBtnCustomGraph) return;
        d.SetDlgItemText(res::kLabelCustomValue1, u"Rzd =");
        d.ShowItem(res::kEditCustomValue3, false);
        d.EnableItem(res::kEditCustomValue2, false);
        d.ListSetCurSel(res::kListCustomMode, 3);
        d.GotoDlgCtrl(res::kEditCustomValue1);
    };
    Driver driver;
    HWND edit = nullptr;
    driver.Then([&](CDialog&, HWND w) {
        wchar_t caption[64] = {};
        GetWindowTextW(w, caption, 64);
        EXPECT_EQ(std::wstring(caption), L"自定义--保护区段");
        HWND list = Ui().ControlWindow(dlg, res::kListCustomMode);
        EXPECT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), 4);
        EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), 1);
        // Typing into the tag field, character by character.
        edit = Ui().ControlWindow(dlg, res::kEditCustomTag);
        SetFocus(edit);
        for (wchar_t ch : std::wstring(L"Z1,区")) PostMessageW(edit, WM_CHAR, ch, 1);
    });
    driver.Then([&](CDialog&, HWND w) {
        EXPECT_EQ(dlg.GetFocusId(), res::kEditCustomTag);
        EXPECT_EQ(dlg.GetDlgItemText(res::kEditCustomTag), u"Z1,区");
        // Not written back: the caret stays where the typing left it.
        DWORD end = 0;
        SendMessageW(edit, EM_GETSEL, 0, LPARAM(&end));
        EXPECT_EQ(end, 4u);
        // Tab to the next field, then the button.
        PostMessageW(edit, WM_KEYDOWN, VK_TAB, 0);
        PostMessageW(Ui().ControlWindow(dlg, res::kBtnCustomGraph), BM_CLICK, 0, 0);
        (void)w;
    });
    driver.Then([&](CDialog&, HWND) {
        auto h = [&](int id) { return Ui().ControlWindow(dlg, id); };
        wchar_t text[32] = {};
        GetWindowTextW(h(res::kLabelCustomValue1), text, 32);
        EXPECT_EQ(std::wstring(text), L"Rzd =");
        EXPECT_FALSE(IsWindowVisible(h(res::kEditCustomValue3)));
        EXPECT_FALSE(IsWindowEnabled(h(res::kEditCustomValue2)));
        EXPECT_EQ(SendMessageW(h(res::kListCustomMode), CB_GETCURSEL, 0, 0), 3);
        EXPECT_EQ(GetFocus(), h(res::kEditCustomValue1));
        EXPECT_EQ(dlg.GetFocusId(), res::kEditCustomValue1);
        // Enter and Escape reach the dialog as its keys.
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_RETURN, 0);
    });
    EXPECT_EQ(RunModal(dlg), kIdOk);  // the base dialog's Enter ends with OK
    std::vector<std::string> want = {"focus 4151", "focus 4159", "command 4159", "focus 4156"};
    EXPECT_EQ(std::vector<std::string>(dlg.log.begin() + 1, dlg.log.end()), want);
}

TEST(Win32Ui, TheGridWindowShowsItsModelAndReportsTheMouse) {
    Probe dlg(res::kDlgZoneSet);
    dlg.init = [](Probe& d) {
        CMSFlexGrid& g = d.Grid(res::kGridZones);
        g.SetRows(101);
        g.SetCols(4);
        g.SetFixedCols(2);
        const int widths[4] = {1000, 1000, 1800, 5200};
        for (int c = 0; c < 4; ++c) g.SetColWidth(c, widths[c]);
        for (int r = 0; r < 101; ++r) {
            g.SetRowHeight(r, 330);
            for (int c = 0; c < 4; ++c) g.SetTextMatrix(r, c, Format("%d,%d", r, c));
        }
    };
    Driver driver;
    HWND window = nullptr;
    auto grid = [&]() -> CMSFlexGrid& { return dlg.Grid(res::kGridZones); };
    auto cell = [&](int row, int col) { return grid().CellRect(row, col).Center(); };
    driver.Then([&](CDialog&, HWND) {
        window = Ui().ControlWindow(dlg, res::kGridZones);
        RECT client{};
        GetClientRect(window, &client);
        EXPECT_EQ(client.right, dlg.Item(res::kGridZones).rect.Width());
        // The scroll bar covers the rows that do not fit.
        HWND bar = FindWindowExW(window, nullptr, L"SCROLLBAR", nullptr);
        while (bar && !(GetWindowLongW(bar, GWL_STYLE) & SBS_VERT))
            bar = FindWindowExW(window, bar, L"SCROLLBAR", nullptr);
        ASSERT_NE(bar, nullptr);
        EXPECT_TRUE(IsWindowVisible(bar));
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_ALL;
        GetScrollInfo(bar, SB_CTL, &si);
        EXPECT_EQ(si.nMin, 1);
        EXPECT_EQ(si.nMax, 100);
        EXPECT_EQ(int(si.nPage), 101 - grid().MaxTopRow());
        // 330 twips are 22 pixels: a row's lower line, the cell above it.
        RECT r{};
        GetWindowRect(window, &r);
        auto shot = win32::CaptureScreen(r);
        Rect area = grid().CellArea();
        int x = cell(1, 3).x, bottom = area.top + 2 * 22 - 1;
        COLORREF white = GetSysColor(COLOR_WINDOW);
        EXPECT_EQ(shot->Pixel(x, bottom), gfx::Rgb(192, 192, 192));
        EXPECT_EQ(shot->Pixel(x, bottom - 2),
                  gfx::Rgb(GetRValue(white), GetGValue(white), GetBValue(white)));
        PostMessageW(window, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 40), LPARAM(bar));
    });
    driver.Then([&](CDialog&, HWND) {
        EXPECT_EQ(grid().GetTopRow(), 40);
        EXPECT_TRUE(grid().RowIsVisible(40));
        EXPECT_FALSE(grid().RowIsVisible(39));
        dlg.log.clear();
        PostClick(window, cell(42, 3));
    });
    driver.Then([&](CDialog&, HWND) {
        std::vector<std::string> want = {"focus 4002", "grid 69 row 42 mouse 42,3",
                                         "grid -600 row 42 mouse 42,3"};
        EXPECT_EQ(dlg.log, want);
        dlg.log.clear();
        PostMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-WHEEL_DELTA)), 0);
    });
    driver.Then([&](CDialog&, HWND w) {
        EXPECT_EQ(grid().GetTopRow(), 43);
        Point p = cell(45, 2);
        PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, At(p));
        PostMessageW(window, WM_LBUTTONUP, 0, At(p));
        PostMessageW(window, WM_LBUTTONDBLCLK, MK_LBUTTON, At(p));
        PostMessageW(window, WM_LBUTTONUP, 0, At(p));
        PostMessageW(window, WM_RBUTTONUP, 0, At(p));
        (void)w;
    });
    driver.Then([&](CDialog&, HWND) {
        std::vector<std::string> want = {"grid 69 row 45 mouse 45,2", "grid -600 row 45 mouse 45,2",
                                         "grid -601 row 45 mouse 45,2", "rbutton 4002"};
        EXPECT_EQ(dlg.log, want);
    });
    RunModal(dlg);
}

TEST(Win32Ui, ACutCellEndsWithAnEllipsis) {
    CMSFlexGrid grid;
    grid.SetWindowSize(200, 100);
    grid.SetColWidth(1, 600);  // 40 pixels: room for five characters and a half
    grid.SetTextMatrix(1, 0, u"12");
    grid.SetTextMatrix(1, 1, u"#19140");
    gfx::CRecordingCanvas dc(200, 100);
    win32::PaintGrid(grid, dc, win32::GridColors{});
    std::vector<Text> shown;
    for (const gfx::Call& c : dc.Layer(0).calls)
        if (c.kind == gfx::Call::kOutText) shown.push_back(c.text);
    EXPECT_EQ(shown, (std::vector<Text>{u"12", u"#191\u2026"}));

    // With the focus, dots inside the current cell's edges and nowhere else.
    auto dots = [&](bool focused) {
        gfx::CRecordingCanvas canvas(200, 100);
        win32::PaintGrid(grid, canvas, win32::GridColors{}, focused);
        std::vector<gfx::Rect> out;
        for (const gfx::Call& c : canvas.Layer(0).calls)
            if (c.kind == gfx::Call::kFillRect && c.ints[2] - c.ints[0] == 1 &&
                c.ints[3] - c.ints[1] == 1)
                out.push_back({c.ints[0], c.ints[1], c.ints[2], c.ints[3]});
        return out;
    };
    EXPECT_TRUE(dots(false).empty());
    const gfx::Rect cell = grid.CellRect(1, 1);
    const std::vector<gfx::Rect> ring = dots(true);
    EXPECT_GT(ring.size(), 20u);
    for (const gfx::Rect& d : ring) {
        EXPECT_TRUE(d.left >= cell.left && d.right <= cell.right && d.top >= cell.top &&
                    d.bottom <= cell.bottom);
        EXPECT_TRUE(d.left == cell.left || d.top == cell.top || d.right == cell.right - 1 ||
                    d.bottom == cell.bottom - 1);
    }
}

// Tags and numbers are what the user must read: in a label of the dialogs'
// own font (9 pt 宋体, a stand-in face under Wine), each digit is as dark as
// the Chinese beside it, and a comma reaches below the baseline where a full
// stop does not.
TEST(Win32Ui, DigitsAndCommasReadAsClearlyAsTheChineseBesideThem) {
    const std::u16string line = u"区Z2,PP 12.5段0.8,3区";
    Probe dlg(res::kDlgCustom);
    Driver driver;
    driver.Then([&](CDialog&, HWND w) {
        for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            ShowWindow(c, SW_HIDE);
        auto font = WPARAM(SendMessageW(w, WM_GETFONT, 0, 0));
        HWND label = CreateWindowExW(0, L"STATIC", reinterpret_cast<const wchar_t*>(line.c_str()),
                                     WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, 0,
                                     300, 40, w, nullptr, nullptr, nullptr);
        ASSERT_NE(label, nullptr);
        SendMessageW(label, WM_SETFONT, font, TRUE);
        RedrawWindow(w, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        std::vector<int> ends;  // each character's right edge
        TEXTMETRICW tm{};
        HDC dc = GetDC(label);
        HGDIOBJ old = SelectObject(dc, HGDIOBJ(font));
        GetTextMetricsW(dc, &tm);
        for (std::size_t i = 1; i <= line.size(); ++i) {
            SIZE size{};
            GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(line.c_str()), int(i),
                                  &size);
            ends.push_back(size.cx);
        }
        // From the window itself: the screen may not show it yet.
        gfx::CGdiCanvas shot(300, 40);
        BitBlt(shot.Dc(), 0, 0, 300, 40, dc, 0, 0, SRCCOPY);
        SelectObject(dc, old);
        ReleaseDC(label, dc);
        DestroyWindow(label);

        auto luma = [](gfx::Color c) { return (c.r * 299 + c.g * 587 + c.b * 114) / 1000; };
        const int paper = luma(shot.Pixel(299, 39));
        struct Ink {
            int darkest = 0, lowest = -1;  // darkness below the paper's; the last row inked
        };
        auto ink = [&](std::size_t i, int enough) {
            Ink k;
            for (int x = i ? ends[i - 1] : 0; x < ends[i]; ++x)
                for (int y = 0; y < tm.tmHeight; ++y) {
                    int d = paper - luma(shot.Pixel(x, y));
                    k.darkest = std::max(k.darkest, d);
                    if (d > 0 && d >= enough) k.lowest = y;
                }
            return k;
        };
        int full = 0;
        for (std::size_t i = 0; i < line.size(); ++i) full = std::max(full, ink(i, 1).darkest);
        ASSERT_GT(full, paper / 2);
        for (std::size_t i = 0; i < line.size(); ++i) {
            char16_t c = line[i];
            SCOPED_TRACE(ToUtf8(line.substr(i, 1)));
            if (c >= u'0' && c <= u'9') {
                std::size_t beside = line.find_first_of(u"区段", i);  // the line ends with one
                int digit = ink(i, 1).darkest, chinese = ink(beside, 1).darkest;
                std::printf("%s: darkest %d, %s beside it %d (of %d)\n",
                            ToUtf8(line.substr(i, 1)).c_str(), digit,
                            ToUtf8(line.substr(beside, 1)).c_str(), chinese, paper);
                EXPECT_GE(digit * 10, chinese * 9);
            }
            // A pixel counts as ink from a quarter of the line's darkest on.
            if (c == u',' || c == u'.') {
                int below = ink(i, (full + 3) / 4).lowest - int(tm.tmAscent) + 1;
                std::printf("'%c' reaches %d pixel(s) below the baseline\n", char(c), below);
                if (c == u',')
                    EXPECT_GE(below, 1);
                else
                    EXPECT_LE(below, 0);
            }
        }
        PostMessageW(w, WM_CLOSE, 0, 0);
    });
    RunModal(dlg);
}

// A drop-down list can close on an item it moved to while closed without
// telling (Alt+Down, then Enter): the dialog hears of it as of a pick.
TEST(Win32Ui, AListThatClosesOnAnotherItemIsReadAgain) {
    Probe dlg(res::kDlgCustom);
    dlg.init = [](Probe& d) {
        for (const char16_t* mode : {u"A", u"B", u"C"}) d.ListAddString(res::kListCustomMode, mode);
        d.ListSetCurSel(res::kListCustomMode, 0);
    };
    Driver driver;
    driver.Then([&](CDialog&, HWND w) {
        HWND list = Ui().ControlWindow(dlg, res::kListCustomMode);
        SendMessageW(list, CB_SETCURSEL, 2, 0);  // no notification
        SendMessageW(w, WM_COMMAND, MAKEWPARAM(res::kListCustomMode, CBN_CLOSEUP), LPARAM(list));
    });
    driver.Then([&](CDialog&, HWND) { EXPECT_EQ(dlg.ListGetCurSel(res::kListCustomMode), 2); });
    RunModal(dlg);
}

TEST(Win32Ui, TheTreeShowsItsModelWithTheImagesOfTheResources) {
    Probe dlg(res::kDlgImport);
    TreeItem zone = kTreeNone;
    dlg.init = [&](Probe& d) {
        CTreeModel& t = d.Tree(res::kTreeTemplates);
        t.SetImageList(res::kBmpTreeImages);
        t.SetTextColor(0x0000FF);
        t.SetItemHeight(25);
        TreeItem root = t.InsertItem(u"请选择生产厂家: ", 0, 0, 1);
        TreeItem maker = t.InsertItem(u"厂家", 0, 0, 2, root);
        zone = t.InsertItem(u"接地距离 I段", 2, 2, 17, maker);
        t.Expand(maker);
        d.TreeSelectItem(res::kTreeTemplates, maker);
    };
    Driver driver;
    HWND tree = nullptr;
    driver.Then([&](CDialog&, HWND) {
        tree = Ui().ControlWindow(dlg, res::kTreeTemplates);
        EXPECT_EQ(SendMessageW(tree, TVM_GETITEMHEIGHT, 0, 0), 25);
        EXPECT_EQ(COLORREF(SendMessageW(tree, TVM_GETTEXTCOLOR, 0, 0)), RGB(0, 0, 255));
        auto images = HIMAGELIST(SendMessageW(tree, TVM_GETIMAGELIST, TVSIL_NORMAL, 0));
        EXPECT_EQ(ImageList_GetImageCount(images), 3);
        EXPECT_EQ(SendMessageW(tree, TVM_GETCOUNT, 0, 0), 3);
        // The model's selection shows, its ancestors expanded; it notified once.
        auto caret = HTREEITEM(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
        wchar_t text[32] = {};
        TVITEMW item{};
        item.mask = TVIF_TEXT;
        item.hItem = caret;
        item.pszText = text;
        item.cchTextMax = 32;
        SendMessageW(tree, TVM_GETITEMW, 0, LPARAM(&item));
        EXPECT_EQ(std::wstring(text), L"厂家");
        EXPECT_EQ(dlg.log, (std::vector<std::string>{"tree 厂家", "focus 4130"}));
        // The user clicks the zone.
        auto child = HTREEITEM(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, LPARAM(caret)));
        RECT r{};
        std::memcpy(&r, &child, sizeof child);
        SendMessageW(tree, TVM_GETITEMRECT, TRUE, LPARAM(&r));
        PostClick(tree, {(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    });
    driver.Then([&](CDialog&, HWND) {
        EXPECT_EQ(dlg.Tree(res::kTreeTemplates).GetSelectedItem(), zone);
        EXPECT_EQ(dlg.log.back(), "tree 接地距离 I段");
        EXPECT_TRUE(dlg.Tree(res::kTreeTemplates).IsExpanded(2));
    });
    RunModal(dlg);
}

TEST(Win32Ui, APlotDrawnThroughTheCanvasShowsInItsPlaceholder) {
    Probe dlg(res::kDlgGraph);
    CRxPlot plot;
    plot.setting.Zzd_Mode = 0;
    plot.setting.Zzd_1 = 10;
    plot.setting.Zzd_2 = 75;
    Rect place;
    dlg.init = [&](Probe& d) {
        place = d.Item(res::kGraphPreview).rect;
        ASSERT_NE(d.Surface(), nullptr);
        plot.SetPlaceholder(*d.Surface(), {place.Width(), place.Height()});
        plot.Refresh();
        d.Invalidate();
    };
    dlg.paint = [&](gfx::CCanvas& dc) { plot.Paint(dc, place.left, place.top); };
    Driver driver;
    driver.Then([&](CDialog&, HWND w) {
        GdiFlush();
        POINT origin{place.left, place.top};
        ClientToScreen(w, &origin);
        auto shot = win32::CaptureScreen(
            {origin.x, origin.y, origin.x + place.Width(), origin.y + place.Height()});
        gfx::CGdiCanvas want(place.Width(), place.Height());
        plot.Paint(want, 0, 0);
        int differ = 0;
        for (int y = 0; y < place.Height(); ++y)
            for (int x = 0; x < place.Width(); ++x) differ += shot->Pixel(x, y) != want.Pixel(x, y);
        EXPECT_EQ(differ, 0);
        // The setting line is drawn: some pixels are red.
        bool red = false;
        for (int y = 0; y < place.Height() && !red; ++y)
            for (int x = 0; x < place.Width() && !red; ++x)
                red = shot->Pixel(x, y) == gfx::Rgb(255, 0, 0);
        EXPECT_TRUE(red);
    });
    RunModal(dlg);
}

TEST(Win32Ui, ModalRunsNestFourDeepAndMessageBoxesBelongToTheInnermost) {
    const int chain[4] = {res::kDlgZoneSet, res::kDlgCustom, res::kDlgGraph, res::kDlgMho};
    const int opener[4] = {res::kBtnZoneSetOk, res::kBtnCustomGraph, res::kBtnNewElement,
                           res::kBtnMhoOk};
    std::vector<HWND> windows;
    int answer = 0;
    std::function<void(Probe&, int)> command = [&](Probe& d, int id) {
        int depth = int(std::find(chain, chain + 4, d.TemplateId()) - chain);
        if (id != opener[depth]) return;
        if (depth == 3) {
            answer = d.MessageBox(u"是否?", u"删除", kMbYesNo | kMbIconQuestion);
            return;
        }
        Probe inner(chain[depth + 1]);
        inner.command = command;
        inner.DoModal();
    };
    Driver driver;
    for (int depth = 0; depth < 4; ++depth) {
        driver.Then([&, depth](CDialog& dlg, HWND w) {
            EXPECT_EQ(dlg.TemplateId(), chain[depth]);
            EXPECT_EQ(int(OpenDialogs().size()), depth + 1);
            if (depth > 0) {
                EXPECT_EQ(GetWindow(w, GW_OWNER), windows.back());
                EXPECT_FALSE(IsWindowEnabled(windows.back()));
            }
            EXPECT_TRUE(IsWindowEnabled(w));
            windows.push_back(w);
            PostMessageW(Ui().ControlWindow(dlg, opener[depth]), BM_CLICK, 0, 0);
        });
    }
    driver.AtBox([&](HWND box) {
        EXPECT_EQ(GetWindow(box, GW_OWNER), windows.back());
        EXPECT_FALSE(IsWindowEnabled(windows.back()));
        wchar_t caption[16] = {};
        GetWindowTextW(box, caption, 16);
        EXPECT_EQ(std::wstring(caption), L"删除");
        PostMessageW(GetDlgItem(box, IDNO), BM_CLICK, 0, 0);
        return true;
    });
    Probe outer(chain[0]);
    outer.command = command;
    RunModal(outer);
    EXPECT_EQ(answer, kIdNo);
    EXPECT_EQ(windows.size(), 4u);
    EXPECT_TRUE(OpenDialogs().empty());
}

TEST(Win32Ui, MenusChooseByKeyAndADialogEndedWhileOneIsOpenTakesNoCommand) {
    for (bool endWhileOpen : {false, true}) {
        Probe dlg(res::kDlgZoneSet);
        dlg.rbutton = [](Probe& d, int, Point screen) {
            PopupMenu menu(res::kMenuZoneSet);
            menu.EnableMenuItem(res::kCmdEdit, false);
            d.TrackPopupMenu(menu, screen);
        };
        Driver driver;
        driver.Then([&](CDialog&, HWND) {
            HWND grid = Ui().ControlWindow(dlg, res::kGridZones);
            PostMessageW(grid, WM_RBUTTONUP, 0, MAKELPARAM(40, 12));
        });
        driver.AtMenu([&](HMENU menu, HWND owner) {
            EXPECT_EQ(menu, Ui().OpenMenu());
            EXPECT_EQ(GetMenuItemCount(menu), 8);
            EXPECT_TRUE(GetMenuState(menu, res::kCmdEdit, MF_BYCOMMAND) & MF_GRAYED);
            if (endWhileOpen) {
                PostMessageW(owner, WM_CLOSE, 0, 0);
                return true;
            }
            // "删除": the fourth item that is not a separator.
            for (int k = 0; k < 4; ++k) PostMessageW(owner, WM_KEYDOWN, VK_DOWN, 0);
            PostMessageW(owner, WM_KEYDOWN, VK_RETURN, 0);
            return true;
        });
        EXPECT_EQ(RunModal(dlg), kIdCancel);
        EXPECT_EQ(Ui().OpenMenu(), nullptr);
        std::vector<std::string> want = {"rbutton 4002"};
        if (!endWhileOpen) want.push_back("command 32814");
        EXPECT_EQ(std::vector<std::string>(dlg.log.begin() + 1, dlg.log.end()), want)
            << endWhileOpen;
    }
}
// Every example session on the Windows dialogs and headless: the same
// zone parameter file, byte for byte.  The scripts and the example zone
// files come from the folders QZ_SESSIONS and QZ_EXAMPLES name.
TEST(Win32Ui, AnElementDialogTakesAFieldWhenItIsLeftAndEndsOnlyByItsButtons) {
    session::win32::SessionPlayer player(Ui());
    player.Play(R"s(
pick 4340 1
expect-text 4341 "R ="
expect-text 4343 "0.208 Ω"
expect-text 4344 "0.978 Ω"
type 4350 85
tab
expect-text 4350 "80.000 °"
type 4348 -5
enter
expect-text 4348 "0.000 Ω"
type 4349 7
escape
expect-text 4349 "0.000 °"
click 4351
)s");
    player.Attach();
    CDlg_Import_Graph_Mho dlg;
    int result = 0;
    {
        UseBackend use(Ui());
        result = dlg.DoModal();
    }
    EXPECT_TRUE(player.Finish()) << (player.Errors().empty() ? "" : player.Errors().front());
    EXPECT_EQ(result, kIdOk);
    EXPECT_EQ(dlg.ptZ1.nCoord, 1);
    EXPECT_EQ(dlg.fShiftAngle, 80.0f);
}

// After Enter applied a field, its whole text is selected: a number typed
// next replaces "12.500 Ω" instead of landing after the unit.
TEST(Win32Ui, EnterSelectsTheWholeFieldItApplied) {
    session::win32::SessionPlayer player(Ui());
    CDlg_Import_Graph_Mho dlg;
    player.Play("type 4348 12.5\nenter\nexpect-text 4348 \"12.500 Ω\"");
    player.Call([&] {
        HWND edit = Ui().ControlWindow(dlg, 4348);
        DWORD from = 1, to = 0;
        SendMessageW(edit, EM_GETSEL, WPARAM(&from), LPARAM(&to));
        EXPECT_EQ(from, 0u);
        EXPECT_EQ(int(to), GetWindowTextLengthW(edit));
    });
    player.Play("click 4351");
    player.Attach();
    {
        UseBackend use(Ui());
        dlg.DoModal();
    }
    EXPECT_TRUE(player.Finish()) << (player.Errors().empty() ? "" : player.Errors().front());
}

TEST(Win32Ui, TheImportSessionEndsAsItDoesHeadless) {
    std::string written[2];
    for (int windows = 0; windows < 2; ++windows) {
        SCOPED_TRACE(windows);
        qztest::TempDir dir;
        qztest::MemoryTemplates db;
        db.rows = qztest::ImportRows();
        CDlg_Import_Prot dlg([&] { return &db; }, dir.text());
        dlg.nID = 7;
        dlg.setting.Zzd_1 = 5;
        dlg.setting.Zzd_2 = 80;
        dlg.setting.Zzd_3 = 10;
        int result = 0;
        bool ok = false;
        std::vector<std::string> errors;
        if (windows) {
            session::win32::SessionPlayer player(Ui());
            player.Play(qztest::kImportSession);
            player.Attach();
            UseBackend use(Ui());
            result = dlg.DoModal();
            ok = player.Finish();
            errors = player.Errors();
        } else {
            session::HeadlessSession headless;
            headless.Play(qztest::kImportSession);
            UseBackend use(headless);
            result = dlg.DoModal();
            ok = headless.Finish();
            errors = headless.Errors();
        }
        EXPECT_TRUE(ok) << (errors.empty() ? "" : errors.front());
        EXPECT_EQ(result, kIdOk);
        EXPECT_EQ(dlg.strTag, u"Z1 earth");
        EXPECT_EQ(dlg.setting.Zzd_2, -10.0f);
        EXPECT_EQ(dlg.strResultFile, dir.text("prot.tmp"));
        written[windows] = qztest::ReadText(dir.path() / "prot.tmp");
    }
    EXPECT_FALSE(written[0].empty());
    EXPECT_EQ(written[0], written[1]);
}

TEST(Win32Ui, KeysMoveTheFocusAndClickAsTheyDoHeadless) {
    for (int dialog : {res::kDlgGraph, res::kDlgCustom}) {
        SCOPED_TRACE(dialog);
        const char* script =
            dialog == res::kDlgGraph ? qztest::kRadioKeysSession : qztest::kMnemonicKeysSession;
        std::vector<std::string> logs[2];
        for (int windows = 0; windows < 2; ++windows) {
            Probe dlg(dialog);
            dlg.init = [](Probe& d) {
                if (d.TemplateId() == res::kDlgCustom)
                    d.SetDlgItemText(res::kLabelCustomValue1, qztest::kLabelWithMnemonic);
            };
            session::win32::SessionPlayer player(Ui());
            session::HeadlessSession headless;
            session::Session& session = windows ? static_cast<session::Session&>(player) : headless;
            session.Play(script);
            if (windows) player.Attach();
            {
                UseBackend use(windows ? static_cast<Backend&>(Ui()) : headless);
                EXPECT_EQ(dlg.DoModal(), kIdCancel) << windows;
            }
            player.Detach();
            EXPECT_TRUE(session.Finish())
                << windows << ": " << (session.Errors().empty() ? "" : session.Errors().front());
            logs[windows] = dlg.log;
        }
        EXPECT_FALSE(logs[0].empty());
        EXPECT_EQ(logs[0], logs[1]);
    }
}

TEST(Win32Ui, EverySessionWritesTheSameFileOnBothBackends) {
    const char* sessions = std::getenv("QZ_SESSIONS");
    const char* examples = std::getenv("QZ_EXAMPLES");
    if (!sessions || !examples) GTEST_SKIP() << "QZ_SESSIONS or QZ_EXAMPLES names no folder";
    auto read = [](const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    int played = 0;
    for (const auto& entry : std::filesystem::directory_iterator(sessions)) {
        if (entry.path().extension() != ".session") continue;
        SCOPED_TRACE(entry.path().string());
        std::string script = read(entry.path());
        // The zone file a session starts from is the example its comment names.
        std::size_t end = script.find(".zone");
        std::size_t at = script.rfind("examples/", end);
        Text zoneFile;
        if (end != std::string::npos && at != std::string::npos)
            zoneFile =
                FromUtf8((std::filesystem::path(examples) / script.substr(at + 9, end + 5 - at - 9))
                             .string());
        // A session that imports reads the sample library beside the suite
        // through the data source the Windows scripts made.
        bool imports = script.find("导入") != std::string::npos;
        if (imports) {
            qztest::TempDir probeHome;
            CQuarnZGraphApp probe(probeHome.text());
            probe.Init();
            if (!qztest::ConfigureOdbc(std::filesystem::path(ToUtf8(probe.strTemplatePath)))) {
                std::printf("skipped (no ODBC data source): %s\n", entry.path().string().c_str());
                continue;
            }
        }
        std::string written[2];
        for (int windows = 0; windows < 2; ++windows) {
            qztest::TempDir home;
            CQuarnZGraphApp app(home.text());
            if (imports) app.Init();
            bool ok = false;
            std::vector<std::string> errors;
            if (windows) {
                session::win32::SessionPlayer player(Ui());
                player.Play(FromUtf8(script));
                player.Attach();
                UseBackend use(Ui());
                RunZoneSet(app, zoneFile.empty() ? nullptr : zoneFile.c_str());
                ok = player.Finish();
                errors = player.Errors();
            } else {
                session::HeadlessSession headless;
                headless.Play(FromUtf8(script));
                UseBackend use(headless);
                RunZoneSet(app, zoneFile.empty() ? nullptr : zoneFile.c_str());
                ok = headless.Finish();
                errors = headless.Errors();
            }
            EXPECT_TRUE(ok) << windows << ": " << (errors.empty() ? "" : errors.front());
            if (!app.strZoneFileName.empty())
                written[windows] = read(std::filesystem::path(ToUtf8(app.strZoneFileName)));
        }
        EXPECT_FALSE(written[0].empty());
        EXPECT_EQ(written[0], written[1]);
        ++played;
    }
    EXPECT_GT(played, 0);
}

// The graph editor's sessions (examples/sessions/grapheditor) on the Windows
// dialogs and headless: they start at the editor with the polygon kind and
// no file, and both write the same "graph.tmp", byte for byte.
TEST(Win32Ui, EveryGraphEditorSessionWritesTheSameFileOnBothBackends) {
    const char* sessions = std::getenv("QZ_SESSIONS");
    if (!sessions) GTEST_SKIP() << "QZ_SESSIONS names no folder";
    auto read = [](const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    int played = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(sessions) / "grapheditor")) {
        if (entry.path().extension() != ".session") continue;
        SCOPED_TRACE(entry.path().string());
        Text script = FromUtf8(read(entry.path()));
        std::string written[2];
        for (int windows = 0; windows < 2; ++windows) {
            qztest::TempDir work;
            CDlg_Import_ProtEdit::GraphRequest request{-1, {0, 10, 78, 0}, {}, {}, 1};
            MessageBoxRoute route;
            bool ok = false, played = false;
            std::vector<std::string> errors;
            if (windows) {
                session::win32::SessionPlayer player(Ui());
                player.Play(script);
                player.Attach();
                UseBackend use(Ui());
                ok = RunGraphEditor(work.text(), request);
                played = player.Finish();
                errors = player.Errors();
            } else {
                session::HeadlessSession headless;
                headless.Play(script);
                UseBackend use(headless);
                ok = RunGraphEditor(work.text(), request);
                played = headless.Finish();
                errors = headless.Errors();
            }
            EXPECT_TRUE(played) << windows << ": " << (errors.empty() ? "" : errors.front());
            EXPECT_TRUE(ok) << windows;
            EXPECT_EQ(request.strPictFile, work.text("graph.tmp")) << windows;
            written[windows] = read(work.path() / "graph.tmp");
        }
        EXPECT_FALSE(written[0].empty());
        EXPECT_EQ(written[0], written[1]);
        ++played;
    }
    EXPECT_GT(played, 0);
}
#endif
