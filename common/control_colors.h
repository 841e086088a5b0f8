// Texts in colours of their own, and link labels: controls of the window
// toolkit drawn in other colours than the system's.
#pragma once

#include "common/prelude.h"

namespace ui {

// Text colour and background of a static or edit control (null brush: the
// parent's background).
void SetColors(int id, COLORREF text, HBRUSH background);
// A link label: `hover` is the text colour while the pointer is over it.
void MakeLink(int id, COLORREF normal, COLORREF hover);

// The window procedure's answer when a control asks its parent (`msg`, one
// of the WM_CTLCOLOR messages) for the colours it is drawn in.
LRESULT ControlColors(HDC dc, HWND control, HWND parent, UINT msg, WPARAM wParam, LPARAM lParam);

}  // namespace ui
