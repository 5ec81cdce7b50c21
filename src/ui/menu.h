// A context menu loaded from its template, with the items greyed for one
// showing.
#pragma once

#include <vector>

#include "resources/templates.h"

namespace qz::ui {

class PopupMenu {
  public:
    // The menu must exist among the templates.
    explicit PopupMenu(int menuId);

    const res::MenuTemplate& Template() const { return *tmpl_; }
    void EnableMenuItem(int command, bool enabled);
    bool IsGreyed(int command) const;
    bool HasCommand(int command) const;

  private:
    const res::MenuTemplate* tmpl_;
    std::vector<int> greyed_;
};

}  // namespace qz::ui
