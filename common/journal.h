// What a running installation changes on the disk, so that a Cancel or a
// failure can put everything back exactly: files it created, files it
// replaced or removed (kept aside under another name in the same folder,
// so on the same volume, until the installation completes), and folders it
// created. Nothing that was there before is deleted before the run ends.
#pragma once

#include <string>
#include <vector>

#include "common/prelude.h"

class FileJournal {
 public:
  // Before a file is written at `path`: an existing file there is kept
  // aside and the path noted as replaced; otherwise the path is noted as
  // created. False when an existing file cannot be kept aside (the caller
  // must not write then).
  bool BeforeWrite(const std::wstring& path);
  // Instead of deleting a file: it is kept aside. False when that failed.
  bool Remove(const std::wstring& path);
  // A folder the run created (in creation order).
  void MadeFolder(const std::wstring& path);

  // Writes a file through the journal: BeforeWrite, then `write()`; a write
  // that fails is undone at once (an old file comes back). The result of
  // the write; false also when the old file could not be kept aside.
  template <typename Write>
  bool WriteThrough(const std::wstring& path, Write write) {
    if (!BeforeWrite(path)) return false;
    if (write()) return true;
    RollBackFrom(entries_.size() - 1);
    return false;
  }

  // Undoes everything, last change first: created files are deleted,
  // replaced and removed files come back under their names, created
  // folders are removed when empty. The journal is empty afterwards.
  void RollBack();
  // The run completed: the kept copies are deleted.
  void Commit();

  size_t size() const { return entries_.size(); }

 private:
  enum class Change { kCreated, kKeptAside, kFolder };
  struct Entry {
    Change change;
    std::wstring path;
    std::wstring kept;  // kKeptAside: where the old file waits
  };
  bool KeepAside(const std::wstring& path);
  void RollBackFrom(size_t first);  // the entries from `first` on, last first

  std::vector<Entry> entries_;
};

// The journal of this installation.
FileJournal& InstallJournal();
