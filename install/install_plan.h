// What an installation is to do, fixed before it starts: the wizard makes
// it from its pages when the user confirms (wizard/plan.cpp), an unattended
// run from the package's defaults and the command line. The installation
// reads nothing else of the wizard.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "script/settings.h"

struct InstallPlan {
  std::wstring installFolder;      // ends with "\"
  bool createGroup = false;        // a Start-menu group and its links
  std::wstring groupFolder;        // ends with "\"
  std::vector<TaskEntry> tasks;    // the install tasks, as the setup script has them
  uint64_t payloadBytes = 0;       // what the files take together (the statistics file)
};
