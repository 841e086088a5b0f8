// The message boxes of the windows: owned by the current window, and none
// at all in a quiet run.
#pragma once

#include <string>

#include "common/prelude.h"

namespace ui {

// A modal message box owned by the current window. Returns the button pressed.
// Every message also goes to the log. A quiet run shows nothing and answers
// No to a question, OK to anything else.
int Message(const std::wstring& text, const std::wstring& title, UINT flags);

constexpr UINT kErrorIcon = MB_ICONERROR;          // 0x10
constexpr UINT kWarningIcon = MB_ICONWARNING;      // 0x30
constexpr UINT kInformationIcon = MB_ICONINFORMATION;  // 0x40
constexpr UINT kConfirm = MB_YESNO | MB_ICONERROR;  // 0x14; only Yes consents

}  // namespace ui
