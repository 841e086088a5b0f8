// Which page Next and Previous lead to. Pure logic.
//
//   0 welcome   1 licence   2 read-me   3 destination   4 Start-menu group
//   5 installation   6 finish
#pragma once

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

enum class NextStep { kShowPage, kInstall, kWarnEmptyDestination, kNothing };

struct NextResult {
  NextStep step;
  int page;  // for kShowPage
};

NextResult NextFrom(int page, const PageChoice& choice, bool destinationEmpty);
// The page Previous leads to, or -1 for none.
int PreviousFrom(int page, const PageChoice& choice);
