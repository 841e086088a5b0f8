#include "common/journal.h"

#include <cstring>

#include "common/event_queue.h"
#include "common/files.h"
#include "common/pending_renames.h"
#include "common/handles.h"
#include "common/log.h"
#include "common/outcome.h"
#include "common/random.h"
#include "common/system_api.h"
#include "common/text.h"

namespace {

// How long a rollback or a commit waits, at most, for the programs the run
// started to end before it leaves what they hold to the next restart.
constexpr DWORD kProgramWaitMs = 15000;

bool SameText(const std::wstring& a, const std::wstring& b) { return lstrcmpiW(a.c_str(), b.c_str()) == 0; }

bool StartsWithText(const std::wstring& s, const std::wstring& prefix) {
  return s.size() >= prefix.size() && SameText(s.substr(0, prefix.size()), prefix);
}

// The position after `parts` more backslashes from `from`; npos when missing.
size_t AfterParts(const std::wstring& p, size_t from, int parts) {
  for (; parts > 0; --parts) {
    from = p.find(L'\\', from);
    if (from == std::wstring::npos) return from;
    ++from;
  }
  return from;
}

// The length of the root of a full path: "C:\", "\\server\share\",
// "\\?\C:\", "\\?\UNC\server\share\"; npos for any other path.
size_t RootLength(const std::wstring& p) {
  if (p.compare(0, 8, L"\\\\?\\UNC\\") == 0) return AfterParts(p, 8, 2);
  if (p.compare(0, 4, L"\\\\?\\") == 0) return AfterParts(p, 4, 1);
  if (p.compare(0, 2, L"\\\\") == 0) return AfterParts(p, 2, 2);
  if (p.size() >= 3 && p[1] == L':' && p[2] == L'\\') return 3;
  return std::wstring::npos;
}

// A folder's name without its trailing backslash, but a root keeps it ("C:"
// alone would name the current folder of that drive).
std::wstring Bare(const std::wstring& folder) {
  if (folder.size() > 1 && folder.back() == L'\\' && folder.size() > RootLength(folder)) {
    return folder.substr(0, folder.size() - 1);
  }
  return folder;
}

// An existing path as the disk spells it: every name below the root as it
// is stored (its letter case, its long name for a short one), so that a
// rollback gives back the names as they were, whatever spelling a task used.
std::wstring OnDiskSpelling(const std::wstring& path) {
  const size_t root = RootLength(path);
  if (root == std::wstring::npos || path.find_first_of(L"*?") != std::wstring::npos) return path;
  std::wstring spelt = path.substr(0, root);
  for (size_t at = root; at < path.size();) {
    size_t end = path.find(L'\\', at);
    if (end == std::wstring::npos) end = path.size();
    const std::wstring name = path.substr(at, end - at);
    WIN32_FIND_DATAW fd;
    HANDLE find = name.empty() ? INVALID_HANDLE_VALUE : FindFirstFileW((spelt + name).c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return path;  // not there (or not readable): as written
    FindClose(find);
    spelt += fd.cFileName;
    if (end < path.size()) spelt += L'\\';
    at = end + 1;
  }
  return spelt;
}

// The folder that holds a file or folder, with its backslash.
std::wstring Holder(const std::wstring& path) {
  const std::wstring bare = Bare(path);
  const size_t at = bare.find_last_of(L'\\');
  return at == std::wstring::npos || at + 1 >= bare.size() ? std::wstring() : bare.substr(0, at + 1);
}

void SetTimes(const std::wstring& folder, const FILETIME* created, const FILETIME* accessed,
              const FILETIME* written) {
  ScopedHandle h(CreateFileW(Bare(folder).c_str(), FILE_WRITE_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (h.valid()) SetFileTime(h.get(), created, accessed, written);
}

// Deletes a file whatever its attributes; true when none is there any more.
bool DeleteMade(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return true;
  // Only the read-only mark keeps a file from being deleted.
  const bool readOnly = (a & FILE_ATTRIBUTE_READONLY) != 0;
  if (readOnly) SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (DeleteFileW(path.c_str())) return true;
  if (readOnly) SetFileAttributesW(path.c_str(), a);
  return false;
}

bool AtRestart(const std::wstring& from, const wchar_t* to) {
  return MoveFileExW(from.c_str(), to, MOVEFILE_DELAY_UNTIL_REBOOT | (to ? MOVEFILE_REPLACE_EXISTING : 0)) != 0;
}

void SayAtRestart(const std::wstring& path, bool scheduled, const wchar_t* what) {
  LogLine(path + L": held by a program; " + (scheduled ? what : L"it could not be scheduled for the next restart"));
  if (scheduled) NoteOutcome(kRestartNeeded);
}

}  // namespace

bool FileJournal::Keeps(const std::wstring& path) const {
  for (const Keeping& k : keepings_)
    if (StartsWithText(path, k.folder) || SameText(Bare(path), Bare(k.folder))) return true;
  return false;
}

void FileJournal::StartedProcess(HANDLE process) { started_.push_back(process); }

void FileJournal::Touching(const std::wstring& path) {
  const std::wstring folder = Bare(Holder(path));
  // Files written one after another mostly share their folder.
  if (folder.empty() || folder == lastTouched_) return;
  for (size_t i = folderTimes_.size(); i-- > 0;)
    if (SameText(folderTimes_[i].path, folder)) {
      lastTouched_ = folder;
      return;
    }
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!AttributeDataOf(folder.c_str(), &data)) return;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) folderTimes_.push_back({folder, data.ftLastWriteTime});
  lastTouched_ = folder;
}

// An entry as the list keeps it: a fixed head, then the path and the kept
// copy's name as UTF-16 units.
namespace {
struct EntryHead {
  uint32_t change, attributes, pathChars, keptChars;
  FILETIME times[3];
};
}  // namespace

void FileJournal::Add(const Entry& e) {
  EntryHead head = {static_cast<uint32_t>(e.change), e.attributes, static_cast<uint32_t>(e.path.size()),
                    static_cast<uint32_t>(e.kept.size()), {e.times[0], e.times[1], e.times[2]}};
  std::string record(reinterpret_cast<const char*>(&head), sizeof head);
  record.append(reinterpret_cast<const char*>(e.path.data()), e.path.size() * sizeof(wchar_t));
  record.append(reinterpret_cast<const char*>(e.kept.data()), e.kept.size() * sizeof(wchar_t));
  entries_.Append(record.data(), record.size());
}

bool FileJournal::Decode(const char* record, size_t size, Entry* e) {
  EntryHead head;
  if (size < sizeof head) return false;
  std::memcpy(&head, record, sizeof head);
  if (size != sizeof head + (static_cast<size_t>(head.pathChars) + head.keptChars) * sizeof(wchar_t)) return false;
  e->change = static_cast<Change>(head.change);
  e->attributes = head.attributes;
  for (int i = 0; i < 3; ++i) e->times[i] = head.times[i];
  const auto* text = reinterpret_cast<const wchar_t*>(record + sizeof head);
  e->path.assign(text, head.pathChars);
  e->kept.assign(text + head.pathChars, head.keptChars);
  return true;
}

// The keeping is one hidden folder at the root of the file's volume. Where
// the root cannot be written (a share's root, a root closed to the account)
// or the file lies on another volume mounted in a folder, it is made in the
// highest folder above the file that takes it and the rename: on the same
// volume still, hidden, and removed at the end like the first.
bool FileJournal::MoveIntoKeeping(const std::wstring& path, std::wstring* kept) {
  const size_t root = RootLength(path);
  if (root == std::wstring::npos) return false;
  if (!number_) number_ = 1 + RandomUpTo(99999998);
  for (size_t end = root; end < path.size();) {
    const std::wstring parent = path.substr(0, end);
    Keeping* keeping = nullptr;
    for (Keeping& k : keepings_)
      if (SameText(k.parent, parent)) keeping = &k;
    if (!keeping) {
      WIN32_FILE_ATTRIBUTE_DATA data;
      const bool timed = AttributeDataOf(Bare(parent).c_str(), &data) != 0;
      const std::wstring folder = parent + L"~tarnwick-journal-" + text::DecimalUnsigned(number_) + L"\\";
      if (CreateDirectoryW(folder.c_str(), nullptr)) {
        SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
        keepings_.push_back({parent, folder, 1, data.ftLastWriteTime, timed});
        keeping = &keepings_.back();
      }
    }
    if (keeping) {
      // A rename on the same volume: the same bytes, times and attributes.
      const std::wstring name = keeping->folder + text::DecimalUnsigned(keeping->next++);
      if (MoveFileExW(path.c_str(), name.c_str(), 0)) {
        *kept = name;
        return true;
      }
      if (GetLastError() != ERROR_NOT_SAME_DEVICE) return false;
    }
    const size_t next = path.find(L'\\', end);
    if (next == std::wstring::npos) break;
    end = next + 1;
  }
  return false;
}

bool FileJournal::KeepAside(const std::wstring& path) {
  if (path.find_first_of(L"*?") != std::wstring::npos || Keeps(path)) return false;
  // The name as it is spelt on the disk: a rollback gives it back so.
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW(path.c_str(), &fd);
  if (find == INVALID_HANDLE_VALUE) return false;
  FindClose(find);
  // Files replaced one after another mostly share their folder: it is
  // spelt out once.
  const std::wstring folder = text::FolderPart(path);
  if (folder != spellingOf_) {
    spelling_ = OnDiskSpelling(folder);
    spellingOf_ = folder;
  }
  const std::wstring original = spelling_ + fd.cFileName;
  Touching(original);
  std::wstring kept;
  if (!MoveIntoKeeping(original, &kept)) return false;
  Add({Change::kKeptAside, original, kept, 0, {}});
  return true;
}

bool FileJournal::BeforeWrite(const std::wstring& path) {
  if (Keeps(path)) return false;  // a payload entry never meets a kept copy
  // What an earlier run left for the restart must not delete or replace
  // the file this one writes.
  ForgetRestartOperationsOn(path);
  const DWORD a = GetFileAttributesW(path.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) {
    Touching(path);
    Add({Change::kCreated, path, std::wstring(), 0, {}});
    return true;
  }
  if (a & FILE_ATTRIBUTE_DIRECTORY) return false;
  return KeepAside(path);
}

bool FileJournal::Remove(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY) && KeepAside(path);
}

bool FileJournal::RemoveFolder(const std::wstring& path, bool force) {
  const std::wstring folder = OnDiskSpelling(Bare(path));
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (Keeps(folder) || !AttributeDataOf(folder.c_str(), &data)) return false;
  Touching(folder);
  if (force) SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!RemoveDirectoryW(folder.c_str())) {
    if (force) SetFileAttributesW(folder.c_str(), data.dwFileAttributes);
    return false;
  }
  Add({Change::kRemovedFolder, folder, std::wstring(), data.dwFileAttributes,
       {data.ftCreationTime, data.ftLastAccessTime, data.ftLastWriteTime}});
  return true;
}

void FileJournal::MadeFolder(const std::wstring& path) { Add({Change::kFolder, path, std::wstring(), 0, {}}); }

void FileJournal::CreatedNew(const std::wstring& path) {
  ForgetRestartOperationsOn(path);
  Add({Change::kCreated, path, std::wstring(), 0, {}});
}

void FileJournal::RollBack() {
  RollBackFrom(0);
  for (const FolderTime& t : folderTimes_) SetTimes(t.path, nullptr, nullptr, &t.written);
  folderTimes_.clear();
  lastTouched_.clear();
  EndKeeping();
}

bool FileJournal::Undo(const Entry& e) {
  switch (e.change) {
    case Change::kCreated:
      return DeleteMade(e.path);
    case Change::kKeptAside:
      // What the run wrote in its place goes; the old file comes back.
      return DeleteMade(e.path) && MoveFileExW(e.kept.c_str(), e.path.c_str(), 0);
    case Change::kFolder:
      return RemoveDirectoryW(e.path.c_str()) || !IsFolder(e.path);
    case Change::kRemovedFolder:
      if (!CreateDirectoryW(e.path.c_str(), nullptr) && !IsFolder(e.path)) return false;
      SetFileAttributesW(e.path.c_str(), e.attributes);
      return true;
  }
  return true;
}

void FileJournal::UndoAtRestart(const Entry& e) {
  switch (e.change) {
    case Change::kCreated:
    case Change::kFolder:
      SayAtRestart(e.path, AtRestart(e.path, nullptr), L"it is removed at the next restart");
      break;
    case Change::kKeptAside:
      // The file in its place goes at the restart, then the kept copy takes
      // its name (the system works the list in order).
      if (PathExists(e.path)) AtRestart(e.path, nullptr);
      SayAtRestart(e.path, AtRestart(e.kept, e.path.c_str()), L"the earlier file is put back at the next restart");
      break;
    case Change::kRemovedFolder:
      break;
  }
}

void FileJournal::WaitForStartedPrograms() {
  const DWORD start = GetTickCount();
  for (HANDLE h : started_) {
    const DWORD spent = GetTickCount() - start;
    if (spent >= kProgramWaitMs) break;
    if (WaitForSingleObject(h, 0) == WAIT_TIMEOUT) ui::WaitServing(h, kProgramWaitMs - spent);
  }
}

void FileJournal::RollBackFrom(size_t first) {
  // What a program holds is tried again after the programs the run started
  // ended; a folder of the run's is only waited for when a held file is in it.
  std::vector<Entry> held, cameBack;
  size_t left = entries_.size() - first;
  const bool read = !left || entries_.Backward([&](const char* record, size_t size) {
    Entry e;
    if (Decode(record, size, &e)) {
      if (!Undo(e)) {
        bool heldBelow = e.change != Change::kFolder;
        for (const Entry& h : held) heldBelow = heldBelow || StartsWithText(h.path, text::WithBackslash(e.path));
        if (heldBelow) held.push_back(e);
      }
      if (e.change == Change::kRemovedFolder) cameBack.push_back(e);
    }
    return --left > 0;
  });
  if (!read) LogLine(L"the journal of the installation could not be read back whole");
  if (!held.empty()) {
    LogLine(L"waiting for the programs the installation started, to put back what they hold");
    WaitForStartedPrograms();
    for (const Entry& e : held)
      if (!Undo(e)) UndoAtRestart(e);
  }
  // Folders that came back get their times once everything is in them
  // again, first removed first.
  for (size_t i = cameBack.size(); i-- > 0;) {
    const Entry& e = cameBack[i];
    SetTimes(e.path, &e.times[0], &e.times[1], &e.times[2]);
  }
  entries_.DropLast(entries_.size() - first);
}

void FileJournal::Commit() {
  std::vector<Entry> held;
  entries_.Forward([&](const char* record, size_t size) {
    Entry e;
    if (Decode(record, size, &e) && e.change == Change::kKeptAside && !DeleteMade(e.kept)) held.push_back(e);
    return true;
  });
  if (!held.empty()) {
    WaitForStartedPrograms();
    for (const Entry& e : held) {
      if (!DeleteMade(e.kept))
        SayAtRestart(e.path, AtRestart(e.kept, nullptr), L"its earlier copy is deleted at the next restart");
    }
  }
  entries_.Clear();
  folderTimes_.clear();
  lastTouched_.clear();
  EndKeeping();
}

void FileJournal::EndKeeping() {
  for (const Keeping& k : keepings_) {
    const std::wstring folder = Bare(k.folder);
    SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (RemoveDirectoryW(folder.c_str())) {
      if (k.parentTimed) SetTimes(k.parent, nullptr, nullptr, &k.parentWritten);
    } else {
      // What is left in it waits for the restart: the folder goes after it.
      SayAtRestart(folder, AtRestart(folder, nullptr), L"the journal's folder is removed at the next restart");
    }
  }
  keepings_.clear();
  for (HANDLE h : started_) CloseHandle(h);
  started_.clear();
}
