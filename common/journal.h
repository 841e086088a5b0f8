// What a running installation changes on the disk, so that a Cancel or a
// failure can put everything back exactly: files it created, files it
// replaced or removed, folders it created or removed, and the times of the
// folders it changed. Nothing that was there before is deleted before the
// run ends: a file replaced or removed is moved into the journal's keeping,
// a hidden folder of its own per volume (at the volume's root), until the
// installation completes.
#pragma once

#include <string>
#include <vector>

#include "common/prelude.h"
#include "common/record_list.h"

class FileJournal {
 public:
  // Before a file is written at `path`: an existing file there is kept
  // aside and the path noted as replaced; otherwise the path is noted as
  // created. False when an existing file cannot be kept aside (the caller
  // must not write then).
  bool BeforeWrite(const std::wstring& path);
  // Instead of deleting a file: it is kept aside. False when that failed.
  bool Remove(const std::wstring& path);
  // Instead of removing an empty folder: its attributes and times are
  // noted, then it is removed (a read-only mark is cleared first when
  // `force`). False when it could not be removed.
  bool RemoveFolder(const std::wstring& path, bool force);
  // Before an entry is made or removed at `path`: the last-write time of
  // the folder that holds it is noted (once), so that a rollback restores it.
  void Touching(const std::wstring& path);
  // A folder the run created (in creation order).
  void MadeFolder(const std::wstring& path);
  // A file the caller just created where nothing was (opened so that it
  // fails when anything of that name exists): noted as created, without
  // asking the disk again. The caller noted its folder's time (Touching)
  // before it, where the run did not make that folder.
  void CreatedNew(const std::wstring& path);
  // True for a folder of the journal's keeping and everything in it: no
  // task and no payload entry may touch those.
  bool Keeps(const std::wstring& path) const;
  // A program the run started and did not wait for: a file it holds is
  // tried again once it ends. The journal owns the handle.
  void StartedProcess(HANDLE process);

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
  // replaced and removed files come back under their names as they were
  // spelt, removed folders come back with their attributes and times,
  // created folders are removed when empty, and the folders the run changed
  // get their times back. What a program holds is tried again once the
  // programs the run started end (for a while), else done at the next
  // restart. The journal is empty afterwards, its keeping gone.
  void RollBack();
  // The run completed: the kept copies are deleted (those held by a
  // program at the next restart), and the keeping with them.
  void Commit();

  size_t size() const { return entries_.size(); }
  // The entries go to a file in `folder` (the run's work folder) as they
  // grow, so that memory does not grow with the files written.
  void KeepEntriesIn(const std::wstring& folder) { entries_.KeepIn(folder); }
  // What the journal holds in memory for its entries, in bytes.
  size_t EntryMemory() const { return entries_.MemoryBytes(); }

 private:
  enum class Change { kCreated, kKeptAside, kFolder, kRemovedFolder };
  struct Entry {
    Change change;
    std::wstring path;
    std::wstring kept;  // kKeptAside: where the old file waits
    DWORD attributes;   // kRemovedFolder
    FILETIME times[3];  // kRemovedFolder: created, accessed, written
  };
  // A folder of the keeping: `folder` (with its backslash) inside `parent`.
  struct Keeping {
    std::wstring parent, folder;
    unsigned next;
    FILETIME parentWritten;
    bool parentTimed;
  };
  struct FolderTime {
    std::wstring path;
    FILETIME written;
  };
  void Add(const Entry& e);
  static bool Decode(const char* record, size_t size, Entry* e);
  bool KeepAside(const std::wstring& path);
  bool MoveIntoKeeping(const std::wstring& path, std::wstring* kept);
  void RollBackFrom(size_t first);  // the entries from `first` on, last first
  bool Undo(const Entry& e);
  void UndoAtRestart(const Entry& e);
  void WaitForStartedPrograms();
  void EndKeeping();

  RecordList entries_;
  std::wstring lastTouched_;  // the folder Touching noted last
  std::wstring spellingOf_, spelling_;  // the folder KeepAside spelt last, as the disk spells it
  std::vector<Keeping> keepings_;
  std::vector<FolderTime> folderTimes_;
  std::vector<HANDLE> started_;
  unsigned number_ = 0;  // the run's random number in the keeping's name
};
