// The guard that keeps destructive work (a folder deleted by a task, the
// rollback, the removal) away from places the installation does not own:
// empty and relative paths, drive and share roots, paths in stream or
// device syntax, and the well-known folders of the system and the user. It
// decides by what a path is, not by how it is written: the existing part of
// a path is opened and compared by its identity (volume, file index, final
// path) with the well-known folders and every folder that holds one, so
// that a link, a junction, another drive letter or a case variant of a
// protected folder is protected too. The names (install/path_rules.h) are
// a first check, and the only one where nothing of a path can be opened.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What the guard knows of this system: the computer's names, the well-known
// folders and what they are, each part gathered by the functions below when
// first needed and kept for the rest of the guarded work. Whoever runs that
// work owns it (the installation's state, the uninstaller's removal).
struct PathGuard {
  // What a file or folder is, whatever name reaches it: its volume and file
  // index, and the guard form of its final path where the system tells it.
  struct Identity {
    uint32_t volume = 0, indexHigh = 0, indexLow = 0;
    std::wstring finalForm;
  };
  bool namesRead = false, foldersRead = false;
  std::vector<std::wstring> ownNames;  // the computer's names
  std::vector<std::wstring> forms;     // the well-known folders
  std::vector<Identity> ids;           // theirs, and those of every folder above them
};

// True for a folder that is never walked or deleted: an empty or relative
// path, a path in stream or device syntax, a drive root or network share
// root, a hidden share of this computer, a well-known folder of the system
// or the user (Windows, System, Program Files, the profile and its shell
// folders, their common counterparts, the temporary folder) or a folder
// that holds one of them, under any name, or a link or junction to one.
bool IsProtectedFolder(PathGuard& guard, const std::wstring& path);

// True for a path that may name a file to delete or replace: absolute, not
// in stream or device syntax, not a root, not a well-known folder (nor a
// folder that holds one, nor a link to one).
bool IsDeletableFilePath(PathGuard& guard, const std::wstring& path);

// The guard form of a path on this system: short names resolved, letter
// case folded by the system's own mapping (upper case), the computer's own
// names and loopback addresses brought to one.
std::wstring GuardFormHere(PathGuard& guard, const std::wstring& path);

// Protects one more folder, and those that hold it, for the rest of the
// guard's work (the tests protect a folder of their own drive this way).
void ProtectFolder(PathGuard& guard, const std::wstring& path);
