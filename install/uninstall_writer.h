// What a finished installation leaves for its removal: the uninstaller, its
// uninstall data, and the product's entry in the list of installed programs.
#pragma once

#include "install/install_state.h"

// Writes the uninstaller's bytes, the uninstall data and the registration.
// Nothing is reported; each of the three is attempted on its own. Returns 1.
int WriteUninstallInfo(InstallState& state);

