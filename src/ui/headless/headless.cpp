#include "ui/headless/headless.h"

#include <algorithm>
#include <vector>

#include "gfx/recording_canvas.h"

namespace qz::ui::headless {

namespace {

using K = res::ControlKind;

// The dialog's client area in pixels.
Rect ClientRect(const CDialog& dlg) {
    return {0, 0, DluToPixelX(dlg.Template().cx), DluToPixelY(dlg.Template().cy)};
}

// ---- the dialog manager's keys -------------------------------------------------
// Controls are visited in the template's order, round the end of the dialog,
// as the platform's dialog manager does.

// An index counted past either end of the controls, brought round.
int Round(int i, int n) {
    return (i % n + n) % n;
}

int IndexOf(const CDialog& dlg, int id) {
    const auto& controls = dlg.Controls();
    auto it = std::ranges::find(controls, id, &Control::id);
    return it == controls.end() ? -1 : int(it - controls.begin());
}

// A radio button carries the tab stop with its check: of a group with a
// checked button, only that one is a tab stop.
bool IsTabStop(CDialog& dlg, const Control& c) {
    if (!c.TakesFocus()) return false;
    if (c.kind == K::kRadioButton) {
        auto group = dlg.RadioGroupOf(c.id);
        if (std::ranges::any_of(group, &Control::checked)) return c.checked;
    }
    return c.style & res::kTabStop;
}

// The tab stop after control `from` (-1: before the first), or before it;
// -1 when there is none.
int NextTabStop(CDialog& dlg, int from, bool previous) {
    int n = int(dlg.Controls().size());
    for (int k = 1; k <= n; ++k) {
        int i = from < 0 ? (previous ? n - k : k - 1) : Round(from + (previous ? -k : k), n);
        if (IsTabStop(dlg, dlg.Controls()[std::size_t(i)])) return i;
    }
    return -1;
}

// Where an arrow key moves from control `from`: the next (or previous)
// control of its group that takes the focus; labels and group boxes are
// passed over.  A group runs from a control that starts one to the next
// such control, round the end of the dialog.
int NextInGroup(const CDialog& dlg, int from, bool previous) {
    const auto& controls = dlg.Controls();
    int n = int(controls.size());
    auto at = [&](int i) -> const Control& { return controls[std::size_t(Round(i, n))]; };
    int start = from;
    for (int k = 0; k < n && !(at(start).style & res::kGroupStart); ++k) --start;
    std::vector<int> group;
    for (int i = start; int(group.size()) < n; ++i) {
        if (i != start && (at(i).style & res::kGroupStart)) break;
        group.push_back(Round(i, n));
    }
    int m = int(group.size());
    int pos = int(std::ranges::find(group, from) - group.begin());
    for (int k = 1; k < m; ++k) {
        int i = group[std::size_t(Round(pos + (previous ? -k : k), m))];
        if (at(i).TakesFocus()) return i;
    }
    return from;
}

// The character after the single '&' of a caption, upper-cased; 0 for
// none ("&&" shows an ampersand).
char16_t Mnemonic(TextView text) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'&') continue;
        char16_t c = text[++i];
        if (c != u'&') return c >= u'a' && c <= u'z' ? char16_t(c - u'a' + u'A') : c;
    }
    return 0;
}

// The control whose caption marks `key`, searched from the focused one on:
// a button is clicked, a label or group box hands the focus to the tab stop
// after it.
void PressMnemonic(CDialog& dlg, const KeyStroke& key) {
    const auto& controls = dlg.Controls();
    int n = int(controls.size()), from = std::max(0, IndexOf(dlg, dlg.GetFocusId()));
    for (int k = 0; k < n; ++k) {
        int i = (from + k) % n;
        const Control& c = controls[std::size_t(i)];
        bool captioned = c.IsButton() || c.kind == K::kStatic || c.kind == K::kGroupBox;
        if (!captioned || !c.visible || !c.enabled || Mnemonic(c.text) != char16_t(key.code))
            continue;
        int id = c.id;
        if (c.IsButton()) {
            dlg.InputFocus(id);
            if (!dlg.IsEnded()) dlg.InputCommand(id);
        } else if (int next = NextTabStop(dlg, i, false); next >= 0) {
            dlg.InputFocus(controls[std::size_t(next)].id);
        }
        return;
    }
}

}  // namespace

bool HeadlessBackend::PressKey(CDialog& dlg, const KeyStroke& key) {
    int focusId = dlg.GetFocusId();
    int focus = IndexOf(dlg, focusId);
    // A letter or digit reaches the mnemonics, with Alt from any control.
    bool typed = !key.ctrl && key.IsLetterOrDigit();
    if (key.alt) {
        if (typed) PressMnemonic(dlg, key);
        return true;
    }
    switch (key.code) {
        case kKeyTab:
            if (int next = NextTabStop(dlg, focus, key.shift); next >= 0)
                dlg.InputFocus(dlg.Controls()[std::size_t(next)].id);
            return true;
        case kKeyEnter:
            dlg.InputKey(Key::kEnter);
            return true;
        case kKeyEscape:
            dlg.InputKey(Key::kEscape);
            return true;
        default:
            break;
    }
    if (focus < 0) {
        if (typed) PressMnemonic(dlg, key);
        return true;
    }
    switch (dlg.Controls()[std::size_t(focus)].kind) {
        case K::kPushButton:
        case K::kRadioButton:
            if (key.IsArrow()) {
                // Onto a radio button the focus checks it.
                const Control& to = dlg.Controls()[std::size_t(
                    NextInGroup(dlg, focus, key.code == kKeyLeft || key.code == kKeyUp))];
                int id = to.id;
                bool click = to.kind == K::kRadioButton && !to.checked;
                dlg.InputFocus(id);
                if (click && !dlg.IsEnded()) dlg.InputCommand(id);
            } else if (key.code == kKeySpace) {
                dlg.InputCommand(focusId);
            } else if (typed) {
                PressMnemonic(dlg, key);
            }
            return true;
        case K::kGrid:
            dlg.InputGridKey(focusId, key);
            if (typed && !dlg.IsEnded()) PressMnemonic(dlg, key);
            return true;
        case K::kEdit:
            // The caret's keys change nothing shown; typing is the type step's.
            return !key.IsLetterOrDigit() && key.code != kKeySpace;
        default:
            // Lists and trees choose with their keys: the pick and tree steps'.
            return false;
    }
}

void HeadlessBackend::RunModal(CDialog& dlg) {
    // The surface the dialog's layers are made compatible with.
    dlg.SetSurfaceMaker([make = make_]() -> std::unique_ptr<gfx::CCanvas> {
        if (make) return make(1, 1);
        return std::make_unique<gfx::CRecordingCanvas>(1, 1);
    });
    dlg.InputStart();
    while (!dlg.IsEnded()) StandIn().PlayAtDialog(dlg);
    dlg.InputDestroy();
}

bool HeadlessBackend::SavePicture(CDialog& dlg, int id, TextView file) {
    const Control* c = dlg.FindControl(id);
    if (!c || !make_ || !write_) return false;
    // The dialog paints its client area, on the face colour of dialogs.
    Rect client = ClientRect(dlg);
    std::unique_ptr<gfx::CCanvas> whole = make_(client.Width(), client.Height());
    whole->FillRect(client, {gfx::Brush::kSolid, gfx::Rgb(240, 240, 240)});
    dlg.InputPaint(*whole);
    std::unique_ptr<gfx::CCanvas> picture = make_(c->rect.Width(), c->rect.Height());
    picture->BitBlt(0, 0, c->rect.Width(), c->rect.Height(), *whole, c->rect.left, c->rect.top);
    return write_(*picture, ToUtf8Lossy(file));
}

int HeadlessBackend::MessageBox(TextView text, TextView caption, unsigned flags) {
    StandIn().PlayAtMessageBox(text, caption, flags);
    return pressed_;
}

int HeadlessBackend::TrackPopupMenu(const PopupMenu& menu, Point screen, CDialog&) {
    StandIn().PlayAtMenu(menu, screen);
    return picked_;
}

}  // namespace qz::ui::headless
