#include "uninstaller/progress_window.h"

#include "common/event_queue.h"
#include "common/toolkit.h"
#include "uninstaller/messages.h"

namespace {

void HandlePendingEvents() {
  while (ui::PollEvent().type != ui::EventType::kNone) {
  }
}

}  // namespace

RemovalProgress::RemovalProgress(const std::wstring& text, const std::wstring& cancel, int steps)
    : ProgressWindow(kTextControl, kBarControl), steps_(steps > 0 ? steps : 1) {
  window_ = OpenSmallProgressWindow({uninstall_text::kWindowTitle, text,
                                     LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1)), kIconControl,
                                     kTextControl, kBarControl, kCancelControl, cancel.c_str()});
  if (window_) HandlePendingEvents();
}

void RemovalProgress::Advance() {
  HandlePendingEvents();
  ++done_;
  Percent(static_cast<int>(static_cast<long long>(done_) * 100 / steps_));
}

void RemovalProgress::Close() {
  if (window_) ui::Close(window_);
  window_ = nullptr;
}
