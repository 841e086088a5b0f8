#include "common/journal.h"

#include "common/files.h"
#include "common/text.h"

bool FileJournal::KeepAside(const std::wstring& path) {
  for (unsigned n = 0; n < 1000; ++n) {
    const std::wstring kept = path + L".tarnwick-kept" + (n ? text::DecimalUnsigned(n) : std::wstring());
    if (PathExists(kept)) continue;
    // A rename within the folder: the same bytes, times and attributes.
    if (!MoveFileExW(path.c_str(), kept.c_str(), 0)) return false;
    entries_.push_back({Change::kKeptAside, path, kept});
    return true;
  }
  return false;
}

bool FileJournal::BeforeWrite(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) {
    entries_.push_back({Change::kCreated, path, std::wstring()});
    return true;
  }
  if (a & FILE_ATTRIBUTE_DIRECTORY) return false;
  return KeepAside(path);
}

bool FileJournal::Remove(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY) && KeepAside(path);
}

void FileJournal::MadeFolder(const std::wstring& path) { entries_.push_back({Change::kFolder, path, std::wstring()}); }

void FileJournal::RollBack() { RollBackFrom(0); }

void FileJournal::RollBackFrom(size_t first) {
  for (size_t i = entries_.size(); i-- > first;) {
    const Entry& e = entries_[i];
    switch (e.change) {
      case Change::kCreated:
        SetFileAttributesW(e.path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(e.path.c_str());
        break;
      case Change::kKeptAside:
        // What the run wrote in its place goes; the old file comes back.
        SetFileAttributesW(e.path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(e.path.c_str());
        MoveFileExW(e.kept.c_str(), e.path.c_str(), 0);
        break;
      case Change::kFolder:
        RemoveDirectoryW(e.path.c_str());
        break;
    }
  }
  entries_.resize(first);
}

void FileJournal::Commit() {
  for (const Entry& e : entries_) {
    if (e.change != Change::kKeptAside) continue;
    SetFileAttributesW(e.kept.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(e.kept.c_str());
  }
  entries_.clear();
}

FileJournal& InstallJournal() {
  static FileJournal* journal = new FileJournal;
  return *journal;
}
