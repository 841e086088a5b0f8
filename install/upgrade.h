// An earlier installation of the same product, known by its uninstall entry
// (HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\<program name>):
// the new installation goes where it is and takes it over.
#pragma once

#include <string>

#include "install/uninstall_data.h"

class FileJournal;
struct PathGuard;

// The earlier installation's folder: the entry's InstallLocation, else the
// folder of its uninstaller. Empty without an entry, or when that is not a
// full path.
std::wstring EarlierInstallFolder();

// Logs that this installation's version is lower than the entry's.
void NoteEarlierVersion();

// Adds the earlier installation's uninstall data to `contents` (unless the
// data's digest differs from the entry's, or it is another product's) and
// removes the earlier uninstaller and its data through the installation's
// journal, so that a rollback keeps them and the commit deletes them.
// Nothing when the entry names `newUninstaller` itself.
void TakeOverEarlier(UninstallContents* contents, const std::wstring& newUninstaller, FileJournal& journal,
                     PathGuard& guard);
