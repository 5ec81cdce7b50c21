#include "ui/menu.h"

#include <algorithm>
#include <stdexcept>

namespace qz::ui {

PopupMenu::PopupMenu(int menuId) : tmpl_(res::FindMenu(menuId)) {
    if (!tmpl_) throw std::logic_error("no menu " + std::to_string(menuId));
}

bool PopupMenu::HasCommand(int command) const {
    return command != 0 &&
           std::ranges::any_of(tmpl_->items, [&](const auto& i) { return i.command == command; });
}

void PopupMenu::EnableMenuItem(int command, bool enabled) {
    std::erase(greyed_, command);
    if (!enabled && HasCommand(command)) greyed_.push_back(command);
}

bool PopupMenu::IsGreyed(int command) const {
    return std::ranges::find(greyed_, command) != greyed_.end();
}

}  // namespace qz::ui
