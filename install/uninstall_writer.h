// What a finished installation leaves for its removal: the uninstaller, its
// uninstall data, and the product's entry in the list of installed programs.
#pragma once

int WriteUninstallInfo();
