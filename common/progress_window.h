// The small progress window: an icon, a text, a progress bar and, where one
// is named, a button. The "Initializing..." window shows it while the
// package is copied out, the removal while it works, and a passive
// installation instead of the wizard (its text and bar numbered as the
// wizard's status line and bar). ProgressWindow reports a long piece of
// work into numbered controls and asks its questions in message boxes.
#pragma once

#include <string>

#include "common/prelude.h"
#include "common/progress_sink.h"

struct ProgressWindowLook {
  std::wstring title, text;
  HICON icon;
  int iconId, textId, barId;
  int buttonId;
  const wchar_t* button;  // null: no button
  bool buttonEnabled = false;  // a button that is never enabled, unless it cancels
  bool systemMenu = false;     // the title bar's menu and close box
  bool inPassiveRun = true;    // opened in a passive run too
  int textHeight = 55;
};

// Opens and shows the window; null when it could not be opened, or in a
// quiet run (a passive one too, unless the look says otherwise).
HWND OpenSmallProgressWindow(const ProgressWindowLook& look);

// Reports into the controls of those numbers (a control that does not
// exist, -1 among them, shows nothing). Cancel is the button of that
// number; a click on it asks ConfirmCancel. Messages are message boxes
// owned by the current window (in a quiet run, none: see ui::Message).
class ProgressWindow : public ProgressSink {
 public:
  ProgressWindow(int statusId = -1, int barId = -1, int cancelId = -1)
      : statusId_(statusId), barId_(barId), cancelId_(cancelId) {}

  void Status(const std::wstring& text) override;
  void Percent(int percent) override;
  bool CancelConfirmed() override;
  void OfferCancel(bool) override {}
  int Message(const std::wstring& text, const std::wstring& title, unsigned flags) override;

 protected:
  // Asked at a click on Cancel: true when the user confirms it.
  virtual bool ConfirmCancel() { return false; }
  int cancelId() const { return cancelId_; }

 private:
  int statusId_, barId_, cancelId_;
};
