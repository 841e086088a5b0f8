#include "uninstaller/progress_window.h"

#include "common/prelude.h"
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
  g_window = ui::OpenWindow(uninstall_text::kWindowTitle, 377, 118, static_cast<DWORD>(ui::Style::kTitleOnly));
  if (!g_window) return;
  ui::AddControl(g_window, {kIconControl, ui::Kind::kImage, 5, 10, 32, 32});
  ui::AddControl(g_window, {kTextControl, ui::Kind::kText, 45, 10, 325, 55, text.c_str()});
  ui::AddControl(g_window, {kBarControl, ui::Kind::kProgress, 8, 90, 275, 15});
  ui::AddControl(g_window, {kCancelControl, ui::Kind::kButton, 295, 85, 75, 25, cancel.c_str()});
  ui::Enable(kCancelControl, false);
  ui::SetIcon(kIconControl, LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1)));
  ui::ShowWindowNow(g_window);
  HandlePendingEvents();
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
