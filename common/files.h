// Small file-system helpers over the wide-character Windows calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/folder_order.h"
#include "common/prelude.h"

// Creates every missing folder of a path up to its last backslash (the part
// after it is taken for a file name). True when that folder exists
// afterwards. The folders it created are appended to `made` when given,
// outermost first (a journal notes them so).
bool MakePath(const std::wstring& path, std::vector<std::wstring>* made = nullptr);
// Where the root of a path ends: the position of the root's last backslash
// ("C:\", "\\server\share\", "\\?\C:\"); npos for a root cut short, 0 for a
// path without a root.
size_t PathRootEnd(const std::wstring& path);

// Creates a new folder (false when anything of that name exists) that only
// the system and the administrators may change, where the system keeps
// access rights: a program running with those rights can then use what it
// puts there without another program of the user planting or swapping
// files in between.
bool CreatePrivateFolder(const std::wstring& path);

// The bytes free to this user on the volume that holds `path` (the
// deepest part of it that exists is asked, so a folder on a mounted volume
// counts the right one); kNoFreeSpaceFigure when the system cannot tell.
constexpr uint64_t kNoFreeSpaceFigure = ~0ull;
uint64_t FreeBytesFor(const std::wstring& path);

// True when a file or folder of that name exists.
bool PathExists(const std::wstring& path);
bool IsFolder(const std::wstring& path);

// Creates a file for writing, replacing an existing one (never a read-only one).
HANDLE CreateFileForWriting(const std::wstring& path);

// Why an existing file cannot be moved or written over: the error opening
// it for that gives (a program holding it: a sharing violation), else
// ERROR_ACCESS_DENIED.
DWORD WhyNotMovable(const std::wstring& path);

// Creates a file that must not exist yet, held for this process alone
// until it is closed.
HANDLE CreateNewFile(const std::wstring& path);

bool WriteAll(HANDLE file, const void* data, size_t size);

// True when the last element of a path is a link, a junction or another
// reparse point (asked of the name itself, never of what it points to).
bool IsLink(const std::wstring& path);

// True when a name below `base` (a folder path with its backslash, which
// `path` starts with) is reached through a link: one of the folders between
// them, or the last element itself, is a reparse point. Folders found clean
// are remembered in `clean`, so a list of files in few folders asks the
// system once per folder.
bool ReachedThroughLink(const std::wstring& base, const std::wstring& path, std::vector<std::wstring>* clean);

// Appends every sub-folder below `folder`, depth first. A link to another
// folder is listed (it is removed as a link) but never walked; a link given
// as `folder` has nothing below it.
void CollectSubFolders(const std::wstring& folder, std::vector<FolderEntry>* found);

// Deletes a folder with everything in it, depth first; read-only, hidden and
// system files go too, links and junctions are removed as links (also one
// given as `folder`: what it points to is never emptied).
// Failures on single entries are ignored.
void DeleteTree(const std::wstring& folder);
