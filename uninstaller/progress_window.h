// The window that the removal shows while it works: an icon, a text, a
// progress bar and a Cancel button that is never enabled. It takes the
// removal's messages too.
#pragma once

#include <string>

#include "common/prelude.h"
#include "common/progress_window.h"

// Control numbers of the window.
constexpr int kIconControl = 1;
constexpr int kTextControl = 2;
constexpr int kBarControl = 3;
constexpr int kCancelControl = 4;

class RemovalProgress : public ProgressWindow {
 public:
  // Opens the window for a removal of `steps` steps. Without a window (it
  // could not be opened) the other calls only count.
  RemovalProgress(const std::wstring& text, const std::wstring& cancel, int steps);
  ~RemovalProgress() { Close(); }
  RemovalProgress(const RemovalProgress&) = delete;
  RemovalProgress& operator=(const RemovalProgress&) = delete;

  // One step done: handles the pending window events and moves the bar to
  // done × 100 / steps.
  void Advance();
  void Close();

 private:
  HWND window_ = nullptr;
  int steps_ = 1;
  int done_ = 0;
};
