#include "common/progress_window.h"

#include "common/event_queue.h"
#include "common/message_box.h"
#include "common/toolkit.h"

HWND OpenSmallProgressWindow(const ProgressWindowLook& look) {
  const DWORD style = static_cast<DWORD>(look.systemMenu ? ui::Style::kTitleAndSystemMenu : ui::Style::kTitleOnly);
  HWND w = look.inPassiveRun ? ui::OpenProgressWindow(look.title, 377, 118, style)
                             : ui::OpenWindow(look.title, 377, 118, style);
  if (!w) return nullptr;
  ui::AddControl(w, {look.iconId, ui::Kind::kImage, 5, 10, 32, 32});
  // A plain text: a file name's "&" is no mnemonic.
  ui::AddControl(w, {look.textId, ui::Kind::kText, 45, 10, 325, look.textHeight, look.text.c_str(), SS_NOPREFIX});
  // Without a button the bar takes the whole width.
  ui::AddControl(w, {look.barId, ui::Kind::kProgress, 8, 90, look.button ? 275 : 362, 15});
  if (look.button) {
    ui::AddControl(w, {look.buttonId, ui::Kind::kButton, 295, 85, 75, 25, look.button});
    ui::Enable(look.buttonId, look.buttonEnabled);
    if (look.buttonEnabled) ui::SetDialogButtons(w, look.buttonId, look.buttonId);
  }
  ui::SetIcon(look.iconId, look.icon);
  ui::ShowWindowNow(w);
  return w;
}

void ProgressWindow::Status(const std::wstring& text) { ui::SetText(statusId_, text); }

void ProgressWindow::Percent(int percent) { ui::SetProgress(barId_, percent); }

// Any other event, a request to close the window included, changes nothing.
bool ProgressWindow::CancelConfirmed() {
  const ui::Event e = ui::PollEvent();
  if (e.type == ui::EventType::kControl && e.id == cancelId_ && ConfirmCancel()) GiveUp();
  return Cancelled();
}

int ProgressWindow::Message(const std::wstring& text, const std::wstring& title, unsigned flags) {
  return ui::Message(text, title, flags);
}
