#include "common/progress_window.h"

#include "common/toolkit.h"

HWND OpenSmallProgressWindow(const ProgressWindowSpec& spec) {
  HWND w = ui::OpenProgressWindow(spec.title, 377, 118, static_cast<DWORD>(ui::Style::kTitleOnly));
  if (!w) return nullptr;
  ui::AddControl(w, {spec.iconId, ui::Kind::kImage, 5, 10, 32, 32});
  // A plain text: a file name's "&" is no mnemonic.
  ui::AddControl(w, {spec.textId, ui::Kind::kText, 45, 10, 325, 55, spec.text.c_str(), SS_NOPREFIX});
  // Without a button the bar takes the whole width.
  ui::AddControl(w, {spec.barId, ui::Kind::kProgress, 8, 90, spec.button ? 275 : 362, 15});
  if (spec.button) {
    ui::AddControl(w, {spec.buttonId, ui::Kind::kButton, 295, 85, 75, 25, spec.button});
    ui::Enable(spec.buttonId, false);
  }
  ui::SetIcon(spec.iconId, spec.icon);
  ui::ShowWindowNow(w);
  return w;
}
