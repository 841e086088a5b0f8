#include "package/extract.h"

#include <utility>

#include "common/event_queue.h"
#include "common/files.h"
#include "common/heap.h"
#include "common/handles.h"
#include "common/journal.h"
#include "common/prelude.h"
#include "common/text.h"
#include "common/system_api.h"
#include "package/archive_ends.h"
#include "package/archive_reader.h"
#include "package/wildcard.h"
#include "package/zip_names.h"

extern "C" {
#include "unzip.h"
}

namespace {


constexpr unsigned kChunk = 102400;       // entry data are streamed in pieces of this size

std::wstring DecodeName(const char* raw, int length, unsigned long flags) {
  if (flags & kUtf8NameFlag) return text::FromUtf8(raw, static_cast<size_t>(length));
  if (length == 0) return std::wstring();
  int n = MultiByteToWideChar(CP_OEMCP, 0, raw, length, nullptr, 0);
  std::wstring name(static_cast<size_t>(n), L'\0');
  if (n > 0) MultiByteToWideChar(CP_OEMCP, 0, raw, length, &name[0], n);
  return name;
}

// The entry's time in UTC (seconds since 1970) from its extended timestamp
// field, else its stored date and time, taken as local time, seconds 0.
void SetLastWriteTime(HANDLE file, unsigned long dosDate, int64_t utcTime) {
  FILETIME local, utc;
  if (utcTime >= 0) {
    const uint64_t ticks = static_cast<uint64_t>(utcTime) * 10000000u + 116444736000000000u;  // from 1601
    utc.dwLowDateTime = static_cast<DWORD>(ticks);
    utc.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    SetFileTime(file, nullptr, nullptr, &utc);
    return;
  }
  if (!DosDateTimeToFileTime(HIWORD(dosDate), static_cast<WORD>(LOWORD(dosDate) & ~0x1Fu), &local)) return;
  if (!LocalFileTimeToFileTime(&local, &utc)) return;
  SetFileTime(file, nullptr, nullptr, &utc);
}

// Writes the open entry's data into `file` (created for it, at `path`) and
// closes it. True when the whole entry was written: every byte its record
// states, and its CRC-32 matched. A file made new has the archive
// attribute already: only other attributes are set.
bool WriteOpened(unzFile zip, HANDLE file, const std::wstring& path, const unz_file_info64& info, void* buffer,
                 bool madeNew, int64_t utcTime) {
  bool ok = true;
  unsigned long long total = 0;
  for (;;) {
    int got = unzReadCurrentFile(zip, buffer, kChunk);
    if (got == 0) break;
    if (got < 0 || !WriteAll(file, buffer, static_cast<size_t>(got))) {
      ok = false;
      break;
    }
    total += static_cast<unsigned>(got);
    // A large entry: the windows keep painting and answering.
    if (got == static_cast<int>(kChunk)) ui::KeepAlive();
  }
  // Closing the entry compares the CRC-32, but only once the stated size was
  // read: data that end early (a stored entry shorter than its record says)
  // are caught by the count.
  if (unzCloseCurrentFile(zip) != UNZ_OK || total != info.uncompressed_size) ok = false;
  if (ok) SetLastWriteTime(file, info.dosDate, utcTime);
  CloseHandle(file);
  const DWORD attributes = WindowsAttributesOf(static_cast<uint32_t>(info.external_fa));
  if (ok && attributes && !(madeNew && attributes == FILE_ATTRIBUTE_ARCHIVE))
    SetFileAttributesW(path.c_str(), attributes);
  return ok;
}

bool WriteEntry(unzFile zip, const std::wstring& path, const unz_file_info64& info, void* buffer, bool* created,
                int64_t utcTime) {
  HANDLE file = CreateFileForWriting(path);
  *created = file != INVALID_HANDLE_VALUE;
  return *created && WriteOpened(zip, file, path, info, buffer, false, utcTime);
}

// The folders the entries go to, each made once. The walk remembers the
// folders it entered last: which of them this run made, and whether a
// link leads into them. A new folder is made from what it shares with the
// last one.
class Folders;
// The walk under way: an end of the run in the middle of it lets go of its
// folders before they are taken back.
Folders* g_walking = nullptr;

class Folders {
 public:
  Folders(const std::wstring& destination, FileJournal* journal) : dest_(destination), journal_(journal) {
    g_walking = this;
  }
  ~Folders() { g_walking = nullptr; }
  Folders(const Folders&) = delete;
  Folders& operator=(const Folders&) = delete;

  void LetGo() {
    recent_.clear();
    held_.clear();
    made_ = false;
  }

  // Makes `folder` (with its backslash) with every missing folder above it.
  void Enter(const std::wstring& folder) {
    for (size_t i = recent_.size(); i-- > 0;)
      if (recent_[i].folder == folder) {
        now_ = recent_[i];
        made_ = true;
        return;
      }
    // The names up to the last backslash this folder shares with the last
    // one exist.
    size_t known = 0;
    if (made_) {
      size_t i = 0;
      while (i < folder.size() && i < now_.folder.size() && folder[i] == now_.folder[i]) ++i;
      const size_t slash = i ? folder.rfind(L'\\', i - 1) : std::wstring::npos;
      known = slash == std::wstring::npos ? 0 : slash + 1;
    }
    size_t fresh = made_ && now_.freshFrom != std::wstring::npos && known > now_.freshFrom ? now_.freshFrom
                                                                                          : std::wstring::npos;
    made_ = false;
    const size_t root = PathRootEnd(folder);
    if (root == std::wstring::npos) return;
    size_t parent = known > root + 1 ? known : root + 1;  // the length of the part that exists
    bool any = false;
    for (size_t at = folder.find(L'\\', parent); at != std::wstring::npos;
         parent = at + 1, at = folder.find(L'\\', at + 1)) {
      if (at == parent) continue;  // a doubled backslash
      any = true;
      const std::wstring part = folder.substr(0, at);
      // Below a folder this run made there is nothing but what the run
      // made. Elsewhere the folder is looked at first, and its parent's
      // time noted before it gets a new entry.
      const bool parentFresh = fresh != std::wstring::npos;
      if (!parentFresh) {
        const DWORD a = GetFileAttributesW(part.c_str());
        if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) {
          // Nothing is made through a link below the destination, not even
          // an empty folder.
          if ((a & FILE_ATTRIBUTE_REPARSE_POINT) && part.size() >= dest_.size()) return;
          continue;
        }
      }
      if (!parentFresh && journal_) journal_->Touching(part);
      if (CreateDirectoryW(part.c_str(), nullptr)) {
        if (journal_) journal_->MadeFolder(part);
        if (!parentFresh) fresh = parent;
      } else if (GetLastError() == ERROR_ALREADY_EXISTS && IsFolder(part)) {
        fresh = std::wstring::npos;
      } else {
        return;
      }
    }
    if (!any && known < folder.size() && !IsFolder(folder)) return;
    made_ = true;
    // The folders remembered are held open, not shared for deletion: none
    // of them can be renamed, removed or swapped for a link while the walk
    // trusts what it found. (Windows 95 opens no folder: it has no links.)
    ScopedHandle hold(CreateFileW(folder.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    // A link put below the destination would lead the entries into
    // another folder.
    now_ = {folder, fresh,
            folder.size() > dest_.size() && ReachedThroughLink(dest_, text::TrimRight(folder, L"\\"), &clean_)};
    if (recent_.size() >= 32) {
      recent_.erase(recent_.begin());
      held_.erase(held_.begin());
    }
    recent_.push_back(now_);
    held_.push_back(std::move(hold));
  }

  bool made() const { return made_; }
  // Made by this run: nothing of anybody else's is in it.
  bool fresh() const { return made_ && now_.freshFrom != std::wstring::npos; }
  bool linked() const { return now_.linked; }
  std::vector<std::wstring>* clean() { return &clean_; }  // folders below the destination found without links

 private:
  struct Entered {
    std::wstring folder;
    // The folder up to this length was there before; the folders below
    // it this run made. npos: the folder itself was there before.
    size_t freshFrom = std::wstring::npos;
    bool linked = false;
  };
  const std::wstring dest_;
  FileJournal* const journal_;
  bool made_ = false;   // the folder entered last exists
  Entered now_;         // the folder entered last
  std::vector<Entered> recent_;
  std::vector<ScopedHandle> held_;  // recent_'s folders, open
  std::vector<std::wstring> clean_;
};

bool ReadArchiveBytes(void* file, int64_t offset, unsigned char* out, int count) {
  DWORD got = 0;
  return SeekTo(file, offset) && ReadFile(file, out, static_cast<DWORD>(count), &got, nullptr) &&
         got == static_cast<DWORD>(count);
}

ArchiveEnds LookAtEnds(const std::wstring& path) {
  ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  LARGE_INTEGER size = {};
  if (!file.valid() || !FileSizeOf(file.get(), &size.QuadPart)) return ArchiveEnds();
  return ReadArchiveEnds(size.QuadPart, ReadArchiveBytes, file.get());
}

// Adds an entry's stated size to the bytes the files take so far; false,
// adding nothing, when that would go beyond the limit. The sum never wraps.
bool Counted(unsigned long long* taken, unsigned long long size, unsigned long long limit) {
  if (size > limit - *taken) return false;
  *taken += size;
  return true;
}

bool IsReadOnlyFile(const std::wstring& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY) && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// A free name beside `path` in the same folder, for a file that takes its
// place at the next restart (a rename there stays on the volume).
std::wstring BesideName(const std::wstring& path) {
  for (unsigned n = 0;; ++n) {
    const std::wstring name = path + L".~new" + (n ? text::DecimalUnsigned(n) : std::wstring());
    if (GetFileAttributesW(name.c_str()) == INVALID_FILE_ATTRIBUTES) return name;
  }
}

}  // namespace

void LetGoOfFolders() {
  if (g_walking) g_walking->LetGo();
}

int ExtractArchive(const std::wstring& archive, const std::wstring& pattern, const std::wstring& destination,
                   int keepFolders, ExtractionCallback onEntry) {
  ExtractOptions o;
  o.pattern = pattern;
  o.keepFolders = keepFolders;
  o.onEntry = onEntry;
  return ExtractArchiveWith(archive, destination, o).written;
}

ExtractResult ExtractArchiveWith(const std::wstring& archive, const std::wstring& destination,
                                 const ExtractOptions& options) {
  ExtractResult result;
  const ArchiveEnds ends = LookAtEnds(archive);
  if (ends.endRecordCut) return result;  // not whole: neither opened nor walked
  zlib_filefunc64_def io;
  FillArchiveReader(&io);
  unzFile zip = unzOpen2_64(archive.c_str(), &io);
  if (!zip) {
    result.opened = ends.empty;
    if (result.opened && options.onEntry) options.onEntry(options.context, std::wstring(), 100.0f);
    return result;
  }
  unz_global_info64 global;
  void* buffer = nullptr;
  if (unzGetGlobalInfo64(zip, &global) != UNZ_OK || !(buffer = HeapBytes(kChunk))) {
    unzClose(zip);
    return result;
  }
  result.opened = true;
  const bool keepFolders = options.keepFolders == 1;
  const float total = static_cast<float>(global.number_entry);
  const std::wstring dest = text::WithBackslash(destination);
  const std::wstring wanted = options.pattern.empty() ? L"*.*" : options.pattern;
  bool destinationMade = false;
  unsigned long long visited = 0, bytes = 0, directoryBytes = 0, stored = 0;
  Folders folders(dest, options.journal);
  char raw[kNameBuffer];
  unsigned char extra[64];  // the start of an entry's extra block, where its time field is looked for

  // An archive without entries has no first one to go to.
  int r = global.number_entry ? unzGoToFirstFile(zip) : UNZ_END_OF_LIST_OF_FILE;
  for (; r == UNZ_OK; r = unzGoToNextFile(zip)) {
    unz_file_info64 info;
    if (unzGetCurrentFileInfo64(zip, &info, raw, kNameBuffer - 1, extra, sizeof extra, nullptr, 0) != UNZ_OK) {
      r = UNZ_BADZIPFILE;
      break;
    }
    uint32_t seconds = 0;
    const int64_t utcTime =
        FindUnixTime(extra, info.size_file_extra < sizeof extra ? info.size_file_extra : sizeof extra, &seconds)
            ? static_cast<int64_t>(seconds)
            : -1;
    ++visited;
    directoryBytes += 46 + info.size_filename + info.size_file_extra + info.size_file_comment;
    // The entries' data cannot hold more bytes than the archive has: records
    // that share one entry's data (to unpack it many times over) are damage.
    stored += info.compressed_size;
    const bool overlapping = stored > ends.archiveSize;
    std::wstring reported;  // the name the callback gets; empty for an entry not taken
    bool failed = false;
    if (info.size_filename >= kNameBuffer - 1 || overlapping) {
      failed = true;  // a name that does not fit is never cut to another one
    } else {
      const std::wstring name = BackslashName(DecodeName(raw, static_cast<int>(info.size_filename), info.flag));
      const bool taken =
          WildcardMatch(text::FilePart(name), wanted) || (keepFolders && info.uncompressed_size == 0);
      const std::wstring relative = keepFolders ? DropDrivePart(name) : text::FilePart(name);
      if (!taken) {
      } else if (!IsSafeEntryName(relative) || (info.flag & kEncryptedFlag)) {
        // Names that climb out of the destination or name a device, and
        // encrypted entries (no password is ever given), are not written.
        failed = true;
      } else if (unzOpenCurrentFile(zip) != UNZ_OK) {
        failed = true;  // an unknown compression method, or a broken local header
      } else {
        if (!destinationMade) {
          folders.Enter(dest);
          destinationMade = folders.made();
        }
        if (keepFolders && text::EndsWith(name, L"\\")) {
          unzCloseCurrentFile(zip);
          // A file of that name in the way is the user's: it stays, and
          // the folder is a failure.
          // A link put below the destination would lead the entries into
          // another folder: it is in the way like a file.
          folders.Enter(dest + text::FolderPart(relative));
          if (folders.made() && !folders.linked())
            reported = relative;
          else
            failed = true;
        } else if (relative.empty()) {
          unzCloseCurrentFile(zip);  // a folder entry reduced to its empty file part
        } else {
          const std::wstring path = dest + relative;
          if (keepFolders) folders.Enter(dest + text::FolderPart(relative));
          bool created = false;
          HANDLE made = INVALID_HANDLE_VALUE;
          if (keepFolders && folders.made() && !folders.linked() &&
              Counted(&bytes, info.uncompressed_size, options.byteLimit)) {
            // Where nothing of that name exists, the file is made new and
            // that is all there is to ask: no link, no read-only file, nothing
            // to keep aside. Anything in the way takes the long way below.
            if (options.journal && !folders.fresh()) options.journal->Touching(path);
            if (!options.journal || !options.journal->Keeps(path))
              made = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
            if (made == INVALID_HANDLE_VALUE) bytes -= info.uncompressed_size;
          }
          if (made != INVALID_HANDLE_VALUE) {
            if (options.journal) options.journal->CreatedNew(path);
            created = true;
            if (WriteOpened(zip, made, path, info, buffer, true, utcTime)) {
              ++result.written;
              result.bytes += info.uncompressed_size;
            } else {
              failed = true;
            }
          } else if (keepFolders && ReachedThroughLink(dest, path, folders.clean())) {
            failed = true;  // a link in the way: the data would land in another folder
          } else if (IsReadOnlyFile(path)) {
            // Windows does not recreate a read-only file: the entry is skipped.
          } else if (!Counted(&bytes, info.uncompressed_size, options.byteLimit)) {
            failed = true;  // more than the package said it would take
          } else {
            // A file that cannot be written is asked about before its data
            // are read: tried again, written beside for the next restart,
            // or given up.
            std::wstring target = path;
            for (;;) {
              const bool kept = !options.journal || options.journal->BeforeWrite(target);
              if (kept && WriteEntry(zip, target, info, buffer, &created, utcTime)) {
                ++result.written;
                result.bytes += info.uncompressed_size;
              } else if (!created) {
                const DWORD error = kept ? GetLastError() : WhyNotMovable(target);
                const WriteAnswer answer = options.onWriteFailure && target == path
                                               ? options.onWriteFailure(options.context, path, error)
                                               : WriteAnswer::kStop;
                if (answer == WriteAnswer::kRetry) continue;
                if (answer == WriteAnswer::kAtRestart) {
                  target = BesideName(path);
                  continue;
                }
                ++result.unwritable;
                failed = true;
              } else {
                failed = true;
              }
              break;
            }
            if (!failed && target != path) {
              if (MoveFileExW(target.c_str(), path.c_str(), MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING))
                ++result.atRestart;
              else
                failed = true;
            }
          }
          if (created) reported = relative;  // only files this run wrote are reported
          else unzCloseCurrentFile(zip);
        }
      }
    }
    if (failed) ++result.failed;
    // A callback that returns non-zero stops the walk (the user cancelled):
    // the archive is closed before the caller cleans up.
    if (options.onEntry && options.onEntry(options.context, reported, static_cast<float>(visited) / total * 100.0f)) {
      result.stopped = true;
      break;
    }
    if (failed && options.stopAtFailure) break;
  }
  // A directory that ends before its last entry is a failure too, and so is
  // one that holds other entries than its end record states.
  if (!result.stopped && r != UNZ_OK && r != UNZ_END_OF_LIST_OF_FILE) ++result.failed;
  else if (r == UNZ_END_OF_LIST_OF_FILE && ends.directoryKnown &&
           (directoryBytes != ends.directorySize || visited != ends.directoryEntries))
    ++result.failed;
  if (options.onEntry && !result.stopped) options.onEntry(options.context, std::wstring(), 100.0f);
  FreeHeapBytes(buffer);
  unzClose(zip);
  return result;
}
