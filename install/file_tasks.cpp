#include "install/file_tasks.h"

#include "common/journal.h"
#include "common/prelude.h"
#include "common/files.h"
#include "common/text.h"


bool CopyFileOver(const std::wstring& source, const std::wstring& destination) {
  if (source.empty() || destination.empty()) return false;
  return CopyFileW(source.c_str(), destination.c_str(), FALSE) != 0;
}

std::wstring FolderTaskPath(const std::wstring& path) {
  return text::TrimRight(path.substr(0, kMaxFolderTaskPath), L" /\\");
}

bool CreateFolder(const std::wstring& path) {
  const std::wstring folder = FolderTaskPath(path);
  return !folder.empty() && CreateDirectoryW(folder.c_str(), nullptr) != 0;
}

namespace {

// One file of the walk: into the journal's keeping when there is one (a
// read-only file only with the force flag, as a deletion would), else deleted.
void RemoveFile(const std::wstring& path, DWORD attributes, int flags, FileJournal* journal) {
  if (!journal) {
    if (flags & kDeleteForce) SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
  } else if (!(attributes & FILE_ATTRIBUTE_READONLY) || (flags & kDeleteForce)) {
    journal->Remove(path);
  }
}

}  // namespace

bool DeleteFolder(const std::wstring& folder, const std::wstring& pattern, int flags, FileJournal* journal) {
  const std::wstring base = text::WithBackslash(folder);
  if (folder.empty() || base.size() > kMaxFolderTaskPath) return false;
  // A link given as the folder, and links inside it, are left alone: what
  // they point to is never emptied (the folder then stays, not empty).
  if (IsLink(base)) return false;
  const std::wstring wanted = pattern.empty() ? L"*.*" : pattern;
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW((base + wanted).c_str(), &fd);
  if (find == INVALID_HANDLE_VALUE) return false;
  do {
    const std::wstring name = fd.cFileName;
    const std::wstring path = base + name;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      // a link: left alone
    } else if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      RemoveFile(path, fd.dwFileAttributes, flags, journal);
    } else if (journal && journal->Keeps(path)) {
      // The journal's own keeping is never walked.
    } else if (name != L"." && name != L".." && (flags & kDeleteRecursive)) {
      DeleteFolder(path, pattern, flags, journal);
    }
  } while (FindNextFileW(find, &fd));
  FindClose(find);
  if (journal) return journal->RemoveFolder(base, (flags & kDeleteForce) != 0);
  if (flags & kDeleteForce) SetFileAttributesW(base.c_str(), FILE_ATTRIBUTE_NORMAL);
  return RemoveDirectoryW(base.c_str()) != 0;
}

std::wstring ProgramFolderOf(const std::wstring& path) {
  const std::wstring unquoted = !path.empty() && path[0] == L'"' ? path.substr(1) : path;
  return text::FolderPart(unquoted);
}
