// The guard that keeps destructive work (a folder deleted by a task, the
// rollback, the removal) away from places the installation does not own:
// empty and relative paths, drive and share roots, and the well-known
// folders of the system and the user, in whatever form they are written
// (install/path_rules.h; short 8.3 names are resolved here).
#pragma once

#include <string>

// True for a folder that is never walked or deleted: an empty or relative
// path, a drive root or network share root, a well-known folder of the
// system or the user (Windows, System, Program Files, the profile and its
// shell folders, their common counterparts, the temporary folder) or a
// folder that holds one of them.
bool IsProtectedFolder(const std::wstring& path);

// True for a path that may name a file to delete or replace: absolute, not
// a root, not a well-known folder.
bool IsDeletableFilePath(const std::wstring& path);

// The guard form of a path on this system (short names resolved).
std::wstring GuardFormHere(const std::wstring& path);
