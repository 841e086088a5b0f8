// The window that the removal shows while it works: an icon, a text, a
// progress bar and a Cancel button that is never enabled.
#pragma once

#include <string>

// Control numbers of the window.
constexpr int kIconControl = 1;
constexpr int kTextControl = 2;
constexpr int kBarControl = 3;
constexpr int kCancelControl = 4;

// Opens the window for a removal of `steps` steps. Without a window (it could
// not be opened) the other calls only count.
void OpenProgress(const std::wstring& text, const std::wstring& cancel, int steps);
// One step done: handles the pending window events and moves the bar to
// done × 100 / steps.
void AdvanceProgress();
void CloseProgress();
