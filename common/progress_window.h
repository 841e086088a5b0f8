// The small progress window: an icon, a text, a progress bar and, where one
// is named, a button that is never enabled. The removal shows it while it
// works; a passive installation shows it instead of the wizard, its text
// and bar numbered as the wizard's status line and bar, so that the
// installation moves them as it moves those.
#pragma once

#include <string>

#include "common/prelude.h"

struct ProgressWindowLook {
  std::wstring title, text;
  HICON icon;
  int iconId, textId, barId;
  int buttonId;
  const wchar_t* button;  // null: no button
};

// Opens and shows the window (also in a passive run); null when it could
// not be opened, or in a quiet run.
HWND OpenSmallProgressWindow(const ProgressWindowLook& look);
