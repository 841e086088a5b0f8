#include "uninstaller/progress_window.h"

#include "common/event_queue.h"
#include "common/prelude.h"
#include "common/progress_window.h"
#include "common/toolkit.h"
#include "uninstaller/messages.h"

namespace {

HWND g_window = nullptr;
int g_steps = 1;
int g_done = 0;

void HandlePendingEvents() {
  while (ui::PollEvent().type != ui::EventType::kNone) {
  }
}

}  // namespace

void OpenProgress(const std::wstring& text, const std::wstring& cancel, int steps) {
  g_steps = steps > 0 ? steps : 1;
  g_done = 0;
  g_window = OpenSmallProgressWindow({uninstall_text::kWindowTitle, text,
                                      LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1)), kIconControl,
                                      kTextControl, kBarControl, kCancelControl, cancel.c_str()});
  if (g_window) HandlePendingEvents();
}

void AdvanceProgress() {
  HandlePendingEvents();
  ++g_done;
  ui::SetProgress(kBarControl, static_cast<int>(static_cast<long long>(g_done) * 100 / g_steps));
}

void CloseProgress() {
  if (g_window) ui::Close(g_window);
  g_window = nullptr;
}
