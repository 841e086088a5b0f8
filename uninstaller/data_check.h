// Whether the uninstall data is the one the installation wrote: the product's
// uninstall entry holds the digest of the data file's bytes.
#pragma once

#include <string>

#include "install/shared/path_guard.h"
#include "uninstaller/data.h"

// False when an uninstall entry holds a digest other than the data's: the
// entry of the data's program name, and every entry whose UninstallString
// names `installedUninstaller` (so that data given another program name is
// still checked against this uninstaller's own entry). Entries without a
// digest (written by earlier versions) vouch for any data.
bool DataMatchesItsEntries(const RemovalData& data, const std::wstring& installedUninstaller, PathGuard& guard);
