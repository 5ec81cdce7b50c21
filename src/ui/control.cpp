#include "ui/control.h"

namespace qz::ui {

Control::Control(const res::ControlTemplate& t)
    : tmpl(&t),
      id(t.id),
      kind(t.kind),
      style(t.style),
      // Position and size are mapped each on its own, as the dialog manager does.
      rect{DluToPixelX(t.rect.x), DluToPixelY(t.rect.y),
           DluToPixelX(t.rect.x) + DluToPixelX(t.rect.cx),
           DluToPixelY(t.rect.y) + DluToPixelY(t.rect.cy)},
      text(t.text ? t.text : u""),
      visible(!(t.style & res::kHidden)),
      enabled(!(t.style & res::kDisabled)),
      readOnly(t.style & res::kReadOnly) {
    if (kind == res::ControlKind::kTreeView) tree = std::make_unique<CTreeModel>();
    if (kind == res::ControlKind::kGrid) {
        grid = std::make_unique<CMSFlexGrid>();
        grid->SetWindowSize(rect.Width(), rect.Height());
    }
}

bool Control::TakesFocus() const {
    using K = res::ControlKind;
    if (!visible || !enabled) return false;
    switch (kind) {
        case K::kEdit:
        case K::kPushButton:
        case K::kRadioButton:
        case K::kDropDownList:
        case K::kTreeView:
        case K::kGrid:
            return true;
        default:
            return false;
    }
}

}  // namespace qz::ui
