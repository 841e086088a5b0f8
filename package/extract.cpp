#include "package/extract.h"

#include "common/files.h"
#include "common/heap.h"
#include "common/prelude.h"
#include "common/text.h"
#include "package/wildcard.h"
#include "package/zip_names.h"

extern "C" {
#include "unzip.h"
#include "iowin32.h"
}

namespace {

ExtractionCallback g_callback = nullptr;

constexpr size_t kNameBuffer = 500;       // raw name bytes, reused for every entry
constexpr unsigned kChunk = 102400;       // entry data are streamed in pieces of this size
constexpr unsigned long kUtf8NameFlag = 1u << 11;
constexpr unsigned long kEncryptedFlag = 1u << 0;

std::wstring DecodeName(const char* raw, int length, unsigned long flags) {
  if (flags & kUtf8NameFlag) return text::FromUtf8(raw, static_cast<size_t>(length));
  if (length == 0) return std::wstring();
  int n = MultiByteToWideChar(CP_OEMCP, 0, raw, length, nullptr, 0);
  std::wstring name(static_cast<size_t>(n), L'\0');
  if (n > 0) MultiByteToWideChar(CP_OEMCP, 0, raw, length, &name[0], n);
  return name;
}

// The entry's stored date and time, taken as local time, seconds 0.
void SetLastWriteTime(HANDLE file, unsigned long dosDate) {
  FILETIME local, utc;
  if (!DosDateTimeToFileTime(HIWORD(dosDate), static_cast<WORD>(LOWORD(dosDate) & ~0x1Fu), &local)) return;
  if (!LocalFileTimeToFileTime(&local, &utc)) return;
  SetFileTime(file, nullptr, nullptr, &utc);
}

// Writes the open entry's data to `path`. True when the whole entry was
// written and its CRC-32 matched.
bool WriteEntry(unzFile zip, const std::wstring& path, const unz_file_info64& info, void* buffer, bool* created) {
  HANDLE file = CreateFileForWriting(path);
  *created = file != INVALID_HANDLE_VALUE;
  if (!*created) return false;
  bool ok = true;
  for (;;) {
    int got = unzReadCurrentFile(zip, buffer, kChunk);
    if (got == 0) break;
    if (got < 0 || !WriteAll(file, buffer, static_cast<size_t>(got))) {
      ok = false;
      break;
    }
  }
  // Closing the entry compares the CRC-32 once all data were read.
  if (unzCloseCurrentFile(zip) != UNZ_OK) ok = false;
  if (ok) SetLastWriteTime(file, info.dosDate);
  CloseHandle(file);
  if (ok) SetFileAttributesW(path.c_str(), info.external_fa);
  return ok;
}

}  // namespace

void SetExtractionCallback(ExtractionCallback callback) { g_callback = callback; }

int ExtractArchive(const std::wstring& archive, const std::wstring& pattern, const std::wstring& destination,
                   int keepFolders) {
  zlib_filefunc64_def io;
  fill_win32_filefunc64W(&io);
  unzFile zip = unzOpen2_64(archive.c_str(), &io);
  if (!zip) return 0;
  unz_global_info64 global;
  if (unzGetGlobalInfo64(zip, &global) != UNZ_OK) {
    unzClose(zip);
    return 0;
  }
  void* buffer = HeapBytes(kChunk);
  if (!buffer) {
    unzClose(zip);
    return 0;
  }
  const float total = static_cast<float>(global.number_entry);
  const std::wstring dest = text::WithBackslash(destination);
  const std::wstring wanted = pattern.empty() ? L"*.*" : pattern;
  bool destinationMade = false;
  bool stopped = false;
  int written = 0;
  unsigned long long visited = 0;
  char raw[kNameBuffer];

  for (int r = unzGoToFirstFile(zip); r == UNZ_OK; r = unzGoToNextFile(zip)) {
    unz_file_info64 info;
    if (unzGetCurrentFileInfo64(zip, &info, raw, kNameBuffer - 1, nullptr, 0, nullptr, 0) != UNZ_OK) break;
    int length = info.size_filename < kNameBuffer - 1 ? static_cast<int>(info.size_filename) : kNameBuffer - 1;
    const std::wstring name = BackslashName(DecodeName(raw, length, info.flag));
    ++visited;

    std::wstring reported;  // the name the callback gets; empty for an entry not taken
    bool taken = WildcardMatch(text::FilePart(name), wanted) || (keepFolders == 1 && info.uncompressed_size == 0);
    const std::wstring relative = keepFolders == 1 ? DropDrivePart(name) : text::FilePart(name);
    // Names that climb out of the destination, and encrypted entries (no
    // password is ever given), are not taken.
    if (!IsSafeEntryName(relative) || (info.flag & kEncryptedFlag)) taken = false;

    if (taken && unzOpenCurrentFile(zip) == UNZ_OK) {
      if (!destinationMade) destinationMade = MakePath(dest);
      if (keepFolders == 1 && text::EndsWith(name, L"\\")) {
        unzCloseCurrentFile(zip);
        MakePath(dest + text::FolderPart(relative));
        reported = relative;
      } else if (relative.empty()) {
        unzCloseCurrentFile(zip);  // a folder entry reduced to its empty file part
      } else {
        if (keepFolders == 1) MakePath(dest + text::FolderPart(relative));
        bool created = false;
        if (WriteEntry(zip, dest + relative, info, buffer, &created)) ++written;
        if (created) reported = relative;  // only files this run wrote are reported
        else unzCloseCurrentFile(zip);
      }
    }
    // A callback that returns non-zero stops the walk (the user cancelled):
    // the archive is closed before the caller cleans up.
    if (g_callback && g_callback(reported, static_cast<float>(visited) / total * 100.0f)) {
      stopped = true;
      break;
    }
  }
  if (g_callback && !stopped) g_callback(std::wstring(), 100.0f);
  FreeHeapBytes(buffer);
  unzClose(zip);
  return written;
}
