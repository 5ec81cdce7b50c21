// One control of a running dialog: its template and its live state.
#pragma once

#include <memory>
#include <vector>

#include "base/text.h"
#include "resources/templates.h"
#include "ui/grid.h"
#include "ui/tree.h"
#include "ui/units.h"

namespace qz::ui {

struct Control {
    explicit Control(const res::ControlTemplate& t);

    bool IsEdit() const { return kind == res::ControlKind::kEdit; }
    bool IsButton() const {
        return kind == res::ControlKind::kPushButton || kind == res::ControlKind::kRadioButton;
    }
    // Whether the user can give it the input focus.
    bool TakesFocus() const;

    const res::ControlTemplate* tmpl;
    int id;
    res::ControlKind kind;
    unsigned style;
    Rect rect;  // pixels, in the dialog's client area
    Text text;
    bool visible, enabled, readOnly;
    bool checked = false;  // radio buttons
    int selections = 0;    // edits: how often all their text was selected
    // Drop-down lists.
    std::vector<Text> items;
    int curSel = -1;
    std::unique_ptr<CTreeModel> tree;
    std::unique_ptr<CMSFlexGrid> grid;
};

}  // namespace qz::ui
