#include "common/progress_window.h"

#include "common/toolkit.h"

HWND OpenSmallProgressWindow(const ProgressWindowLook& look) {
  HWND w = ui::OpenProgressWindow(look.title, 377, 118, static_cast<DWORD>(ui::Style::kTitleOnly));
  if (!w) return nullptr;
  ui::AddControl(w, {look.iconId, ui::Kind::kImage, 5, 10, 32, 32});
  // A plain text: a file name's "&" is no mnemonic.
  ui::AddControl(w, {look.textId, ui::Kind::kText, 45, 10, 325, 55, look.text.c_str(), SS_NOPREFIX});
  // Without a button the bar takes the whole width.
  ui::AddControl(w, {look.barId, ui::Kind::kProgress, 8, 90, look.button ? 275 : 362, 15});
  if (look.button) {
    ui::AddControl(w, {look.buttonId, ui::Kind::kButton, 295, 85, 75, 25, look.button});
    ui::Enable(look.buttonId, false);
  }
  ui::SetIcon(look.iconId, look.icon);
  ui::ShowWindowNow(w);
  return w;
}
