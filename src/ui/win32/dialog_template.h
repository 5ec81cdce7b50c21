// A dialog template of the resources as the platform's in-memory extended
// dialog template (DLGTEMPLATEEX): the controls' ids, classes, styles and
// positions in dialog units, the captions and the dialog font.
#pragma once

#include <windows.h>

#include <vector>

#include "resources/templates.h"

namespace qz::ui::win32 {

// The window class of the grid control; registered by the backend.
inline constexpr wchar_t kGridClass[] = L"QuarnZGraph.FlexGrid";

// The window styles of a control of the template.
DWORD ControlWindowStyle(const res::ControlTemplate& c);

// The template's words, DWORD-aligned from the start of the vector.
std::vector<WORD> BuildDialogTemplate(const res::DialogTemplate& t);

}  // namespace qz::ui::win32
