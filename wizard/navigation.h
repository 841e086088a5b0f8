// Which page Next and Previous lead to. Pure logic.
//
//   0 welcome   1 licence   2 read-me   3 destination   4 Start-menu group
//   5 installation   6 finish
#pragma once

#include <string>

enum WizardPage : int {
  kWelcomePage = 0,
  kLicensePage = 1,
  kReadMePage = 2,
  kDestinationPage = 3,
  kGroupPage = 4,
  kInstallPage = 5,
  kFinishPage = 6,
};

struct PageChoice {
  bool license;    // the licence page is shown
  bool readMe;     // the read-me page is shown
  bool startMenu;  // a Start-menu group is to be created (the group page is shown)
};

enum class NextStep { kShowPage, kInstall, kWarnUnusableDestination, kNothing };

struct NextResult {
  NextStep step;
  int page;  // for kShowPage
};

// `destination`: the destination field's text. On the destination page a
// folder that is empty or not a full path (IsFullFolderPath) is unusable:
// the page stays, with a warning.
NextResult NextFrom(int page, const PageChoice& choice, const std::wstring& destination);
// The page Previous leads to, or -1 for none.
int PreviousFrom(int page, const PageChoice& choice);
