#include "ui/dialog.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "ui/backend.h"

namespace qz::ui {

namespace {

std::vector<CDialog*> gOpen;

Text ErrorText(const std::exception& e) {
    try {
        return FromUtf8(e.what());
    } catch (const TextError&) {
        return FromUtf8(ToUtf8Lossy(FromAnsi(e.what())));
    }
}

// The radio buttons of the group that starts at `first`.
std::vector<Control*> RadioGroup(std::vector<Control>& controls, int firstId) {
    std::vector<Control*> group;
    auto it = std::ranges::find(controls, firstId, &Control::id);
    for (; it != controls.end() && it->kind == res::ControlKind::kRadioButton; ++it) {
        if (!group.empty() && (it->style & res::kGroupStart)) break;
        group.push_back(&*it);
    }
    return group;
}

}  // namespace

const std::vector<CDialog*>& OpenDialogs() {
    return gOpen;
}

// ---- data exchange ------------------------------------------------------

void DDX_Text(CDataExchange& dx, int id, Text& value) {
    if (dx.bSaveAndValidate)
        value = dx.dlg->GetDlgItemText(id);
    else
        dx.dlg->SetDlgItemText(id, value);
}

void DDX_Radio(CDataExchange& dx, int firstId, int& value) {
    auto group = RadioGroup(dx.dlg->Controls(), firstId);
    if (dx.bSaveAndValidate) {
        value = -1;
        for (std::size_t i = 0; i < group.size(); ++i)
            if (group[i]->checked) value = int(i);
    } else {
        for (std::size_t i = 0; i < group.size(); ++i) group[i]->checked = int(i) == value;
    }
}

void DDX_CBIndex(CDataExchange& dx, int id, int& index) {
    if (dx.bSaveAndValidate)
        index = dx.dlg->ListGetCurSel(id);
    else
        dx.dlg->ListSetCurSel(id, index);
}

// ---- the dialog ---------------------------------------------------------

CDialog::CDialog(int templateId) : tmpl_(res::FindDialog(templateId)) {
    if (!tmpl_) throw std::logic_error("no dialog template " + std::to_string(templateId));
    caption_ = tmpl_->caption;
}

CDialog::~CDialog() = default;

int CDialog::DoModal() {
    controls_.clear();
    for (const auto& t : tmpl_->controls) controls_.emplace_back(t);
    caption_ = tmpl_->caption;
    focus_ = 0;
    ended_ = false;
    result_ = kIdCancel;
    posted_.clear();
    running_ = true;
    gOpen.push_back(this);
    struct Close {
        CDialog* dlg;
        ~Close() {
            dlg->running_ = false;
            std::erase(gOpen, dlg);
        }
    } close{this};
    CurrentBackend().RunModal(*this);
    return result_;
}

void CDialog::EndDialog(int result) {
    ended_ = true;
    result_ = result;
}

Control* CDialog::FindControl(int id) {
    auto it = std::ranges::find(controls_, id, &Control::id);
    return it == controls_.end() ? nullptr : &*it;
}

const Control* CDialog::FindControl(int id) const {
    return const_cast<CDialog*>(this)->FindControl(id);
}

Control& CDialog::Item(int id) {
    Control* c = FindControl(id);
    if (!c)
        throw std::logic_error("dialog " + std::to_string(TemplateId()) + " has no control " +
                               std::to_string(id));
    return *c;
}

const Control& CDialog::Item(int id) const {
    return const_cast<CDialog*>(this)->Item(id);
}

Text CDialog::GetDlgItemText(int id) const {
    return Item(id).text;
}

void CDialog::SetDlgItemText(int id, TextView text) {
    Item(id).text = Text(text);
}

void CDialog::EnableItem(int id, bool enable) {
    Item(id).enabled = enable;
}

bool CDialog::IsItemEnabled(int id) const {
    return Item(id).enabled;
}

void CDialog::ShowItem(int id, bool show) {
    Item(id).visible = show;
}

bool CDialog::IsItemVisible(int id) const {
    return Item(id).visible;
}

void CDialog::ListResetContent(int id) {
    Control& c = Item(id);
    c.items.clear();
    c.curSel = -1;
}

int CDialog::ListAddString(int id, TextView text) {
    Control& c = Item(id);
    c.items.emplace_back(text);
    return int(c.items.size()) - 1;
}

int CDialog::ListGetCount(int id) const {
    return int(Item(id).items.size());
}

Text CDialog::ListGetText(int id, int index) const {
    const Control& c = Item(id);
    return index >= 0 && index < int(c.items.size()) ? c.items[std::size_t(index)] : Text();
}

int CDialog::ListGetCurSel(int id) const {
    return Item(id).curSel;
}

void CDialog::ListSetCurSel(int id, int index) {
    Control& c = Item(id);
    c.curSel = index >= 0 && index < int(c.items.size()) ? index : -1;
}

void CDialog::SelectFocusedText() {
    for (Control& c : controls_)
        if (c.id == focus_ && c.IsEdit()) ++c.selections;
}

void CDialog::CheckRadioButton(int firstId, int lastId, int checkId) {
    for (auto& c : controls_)
        if (c.id >= firstId && c.id <= lastId && c.kind == res::ControlKind::kRadioButton)
            c.checked = c.id == checkId;
}

bool CDialog::IsButtonChecked(int id) const {
    return Item(id).checked;
}

std::vector<Control*> CDialog::RadioGroupOf(int id) {
    auto it = std::ranges::find(controls_, id, &Control::id);
    if (it == controls_.end() || it->kind != res::ControlKind::kRadioButton) return {};
    while (it != controls_.begin() && !(it->style & res::kGroupStart) &&
           std::prev(it)->kind == res::ControlKind::kRadioButton)
        --it;
    return RadioGroup(controls_, it->id);
}

CTreeModel& CDialog::Tree(int id) {
    Control& c = Item(id);
    if (!c.tree) throw std::logic_error("control " + std::to_string(id) + " is not a tree");
    return *c.tree;
}

void CDialog::TreeSelectItem(int id, TreeItem item) {
    CTreeModel& tree = Tree(id);
    if (tree.GetSelectedItem() == item) return;
    tree.SetSelection(item);
    Dispatch([&] { OnTreeSelChanged(id); });
}

CMSFlexGrid& CDialog::Grid(int id) {
    Control& c = Item(id);
    if (!c.grid) throw std::logic_error("control " + std::to_string(id) + " is not a grid");
    return *c.grid;
}

void CDialog::ExposeCurrentRow(int gridId, const int& row) {
    std::erase_if(currentRows_, [&](const auto& bound) { return bound.first == gridId; });
    currentRows_.emplace_back(gridId, &row);
}

std::optional<int> CDialog::CurrentRow(int gridId) const {
    for (const auto& [id, row] : currentRows_)
        if (id == gridId) return *row;
    return std::nullopt;
}

void CDialog::GotoDlgCtrl(int id) {
    InputFocus(id);
}

void CDialog::UpdateData(bool saveAndValidate) {
    CDataExchange dx{this, saveAndValidate};
    DoDataExchange(dx);
}

int CDialog::MessageBox(TextView text, TextView caption, unsigned flags) {
    return ui::MessageBox(text, caption, flags);
}

void CDialog::TrackPopupMenu(const PopupMenu& menu, Point screen) {
    int command = CurrentBackend().TrackPopupMenu(menu, screen, *this);
    // A dialog ended while its menu was open takes no command from it.
    if (command != 0 && !ended_) posted_.push_back(command);
}

// ---- handlers' defaults -------------------------------------------------

bool CDialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void CDialog::OnOK() {
    UpdateData(true);
    EndDialog(kIdOk);
}

void CDialog::OnCancel() {
    EndDialog(kIdCancel);
}

void CDialog::OnClose() {
    EndDialog(kIdCancel);
}

// ---- input --------------------------------------------------------------

void CDialog::Dispatch(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        MessageBox(ErrorText(e), kModuleName, kMbOk | kMbIconError);
    }
}

void CDialog::DrainPosted() {
    while (!posted_.empty()) {
        int command = posted_.front();
        posted_.erase(posted_.begin());
        RouteCommand(command);
    }
}

void CDialog::RouteCommand(int id) {
    if (id == res::kIdOkCommand)
        Dispatch([&] { OnOK(); });
    else if (id == res::kIdCancelCommand)
        Dispatch([&] { OnCancel(); });
    else
        Dispatch([&] { OnCommand(id); });
}

void CDialog::InputStart() {
    bool placeFocus = true;
    Dispatch([&] { placeFocus = OnInitDialog(); });
    if (placeFocus && focus_ == 0) {
        auto it = std::ranges::find_if(controls_, [](const Control& c) {
            return (c.style & res::kTabStop) && c.TakesFocus();
        });
        if (it != controls_.end()) InputFocus(it->id);
    }
    DrainPosted();
}

void CDialog::InputFocus(int id) {
    if (id == focus_) return;
    int old = focus_;
    focus_ = id;
    if (old != 0) Dispatch([&] { OnKillFocus(old); });
    if (id != 0) Dispatch([&] { OnSetFocus(id); });
    DrainPosted();
}

void CDialog::InputEditText(int id, TextView text) {
    Item(id).text = Text(text);
}

void CDialog::InputCommand(int id) {
    // An automatic radio button checks itself and clears its group.
    for (Control* r : RadioGroupOf(id)) r->checked = r->id == id;
    RouteCommand(id);
    DrainPosted();
}

void CDialog::InputKey(Key key) {
    if (key == Key::kEscape) {
        RouteCommand(res::kIdCancelCommand);
    } else {
        // Enter clicks the focused push button, else the default one, else
        // sends the OK command.
        int id = res::kIdOkCommand;
        const Control* focused = FindControl(focus_);
        if (focused && focused->kind == res::ControlKind::kPushButton) {
            id = focused->id;
        } else {
            for (const auto& c : controls_)
                if ((c.style & res::kDefaultButton) && c.visible && c.enabled) id = c.id;
        }
        RouteCommand(id);
    }
    DrainPosted();
}

void CDialog::InputClose() {
    Dispatch([&] { OnClose(); });
    DrainPosted();
}

void CDialog::InputDropDown(int id) {
    Dispatch([&] { OnDropDown(id); });
    DrainPosted();
}

void CDialog::InputListSelect(int id, int index) {
    ListSetCurSel(id, index);
    Dispatch([&] { OnSelChange(id); });
    DrainPosted();
}

void CDialog::InputTreeSelect(int id, TreeItem item) {
    TreeSelectItem(id, item);
    DrainPosted();
}

void CDialog::InputGridMouseMove(int id, Point client) {
    const Control& c = Item(id);
    Grid(id).MouseMove({client.x - c.rect.left, client.y - c.rect.top});
}

void CDialog::InputGridMouseDown(int id, Point client) {
    const Control& c = Item(id);
    if (Grid(id).MouseDown({client.x - c.rect.left, client.y - c.rect.top}))
        Dispatch([&] { OnGridEvent(id, kGridSelChange); });
    DrainPosted();
}

void CDialog::InputGridClick(int id) {
    Dispatch([&] { OnGridEvent(id, kGridClick); });
    DrainPosted();
}

void CDialog::InputGridDblClick(int id) {
    Dispatch([&] { OnGridEvent(id, kGridDblClick); });
    DrainPosted();
}

void CDialog::InputGridScroll(int id, int topRow) {
    Grid(id).SetTopRow(topRow);
}

void CDialog::InputGridScrollColumns(int id, int leftCol) {
    Grid(id).SetLeftCol(leftCol);
}

void CDialog::InputGridKey(int id, const KeyStroke& key) {
    if (Grid(id).KeyDown(key))
        Dispatch([&] { OnGridEvent(id, kGridSelChange); });
    else
        Dispatch([&] { OnGridKey(id, key); });
    DrainPosted();
}

bool CDialog::InputRightButtonUp(int id, Point screen) {
    bool consumed = false;
    Dispatch([&] { consumed = OnRightButtonUp(id, screen); });
    DrainPosted();
    return consumed;
}

gfx::CCanvas* CDialog::Surface() {
    if (!surface_ && makeSurface_) surface_ = makeSurface_();
    return surface_.get();
}

void CDialog::InputPaint(gfx::CCanvas& dc) {
    Dispatch([&] { OnPaint(dc); });
}

void CDialog::InputDestroy() {
    Dispatch([&] { OnDestroy(); });
    posted_.clear();
}

}  // namespace qz::ui
