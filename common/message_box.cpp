#include "common/message_box.h"

#include "common/log.h"
#include "common/quiet_run.h"
#include "common/toolkit.h"

namespace ui {

int Message(const std::wstring& text, const std::wstring& title, UINT flags) {
  LogLine(L"message \"" + title + L"\": " + text);
  if (Quiet()) return (flags & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
  HWND owner = CurrentWindow();
  if (owner && !IsWindowVisible(owner)) owner = nullptr;
  return MessageBoxW(owner, text.c_str(), title.c_str(), flags | (owner ? 0 : MB_TASKMODAL | MB_SETFOREGROUND));
}

}  // namespace ui
