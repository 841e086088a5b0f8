// What a long piece of work (an installation, a removal) reports while it
// runs, and the questions it asks, to whoever shows it: the wizard's
// installation page, an unattended run's progress window (or no window),
// the uninstaller's window. The work itself never touches a window.
#pragma once

#include <string>

class ProgressSink {
 public:
  virtual ~ProgressSink() = default;

  // The status line's text.
  virtual void Status(const std::wstring& text) = 0;
  // The progress bar, from 0 to 100.
  virtual void Percent(int percent) = 0;
  // Handles at most one pending window event, so that the window answers
  // and Cancel can be pressed; a click on Cancel asks first. True once the
  // user confirmed Cancel (or the work was given up: see GiveUp).
  virtual bool CancelConfirmed() = 0;
  // Whether Cancel can be pressed while the work goes on.
  virtual void OfferCancel(bool offered) = 0;
  // Shows a message box (text, title, buttons and icon as MessageBox
  // takes them) and returns the button pressed.
  virtual int Message(const std::wstring& text, const std::wstring& title, unsigned flags) = 0;

  // The one flag of a run that is to stop: set by a confirmed Cancel or by
  // an answer that gives the work up.
  void GiveUp() { cancelled_ = true; }
  bool Cancelled() const { return cancelled_; }

 protected:
  bool cancelled_ = false;
};
