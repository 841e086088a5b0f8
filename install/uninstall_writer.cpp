#include "install/uninstall_writer.h"

int WriteUninstallInfo() { return 1; }
