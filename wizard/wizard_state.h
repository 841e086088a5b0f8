// The wizard's state for the rest of the run: the wizard owns it (see
// RunWizard) and hands it to the functions that need it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/prelude.h"
#include "install/install_state.h"
#include "wizard/finish_options.h"
#include "wizard/install_page.h"

struct WizardState {
  HWND window = nullptr;
  int page = 0;
  uint64_t required = 0;   // from the statistics file
  uint64_t available = 0;  // of the destination drive, refreshed by Browse
  bool licenseShown = false, readMeShown = false;
  bool groupOptedOut = false;  // "Don't create a Start menu group" is ticked
  std::string license, readMe;  // the documents' bytes
  HBITMAP wizardBitmap = nullptr;  // image 10
  HBITMAP headerTemplate = nullptr;  // image 11
  HBITMAP headers[5] = {};         // images 12 to 16: pages 1 to 5, for the window's DPI
  HBITMAP separator = nullptr;     // image 1 for a DPI other than 96
  HBITMAP whitePage = nullptr;
  // Made when the wizard starts (PrepareImages) and kept for the run.
  HFONT fonts[4] = {};  // 0: page titles, 1: legal notice, 2 and 3: header lines
  HBRUSH white = nullptr;
  HICON box = nullptr, folder = nullptr, group = nullptr;  // images 0, 2 and 3
  HBITMAP strip = nullptr;  // image 1, the separator at 96 DPI
  std::vector<FinishOption> options;
  std::vector<void*> optionItems;  // the check list's items, in option order
  // The installation, once confirmed, and where it reports.
  InstallState install;
  InstallPageProgress progress;
  InstallRun run{install, progress};
};

// Shows one page, hides the other six, sets the buttons and records the page.
void ShowPage(WizardState& w, int page);
