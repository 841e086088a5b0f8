// ZIP extraction: the information archive into the work folder, and the
// payload archive into the install folder.
#pragma once

#include <string>

// Called once per visited entry with the caller's context, the entry's name
// relative to the destination (the empty text for an entry that was not
// taken) and the percent of entries visited, and once more at the end with
// "" and 100. It returns 0 to go on; anything else stops the extraction at
// once.
using ExtractionCallback = int (*)(void* context, const std::wstring& entryName, float percent);

// An extraction under way holds the folders it writes into open; a
// rollback that ends the run in its middle lets go of them first.
void LetGoOfFolders();

class FileJournal;

constexpr unsigned long long kNoByteLimit = ~0ull;

// What to do about an entry whose file cannot be written (the entry's data
// are not read yet): try again, write it beside under a temporary name and
// let the next restart put it in place, or give the entry up.
enum class WriteAnswer { kRetry, kAtRestart, kStop };
// Asked with the caller's context, the file's full path and the system's
// error code.
using WriteFailureCallback = WriteAnswer (*)(void* context, const std::wstring& path, unsigned long error);

struct ExtractOptions {
  std::wstring pattern;           // wildcard for the entries' file parts; "" means "*.*"
  int keepFolders = 1;            // 1 recreates the entries' folders, 0 writes every file straight into the destination
  FileJournal* journal = nullptr;  // notes the files and folders made; files written over are kept aside
  bool stopAtFailure = false;     // the first entry that is not written whole ends the walk
  // The most bytes the files may hold together: an entry whose stated size
  // would take them beyond it is not written. A limit of 0 lets only empty
  // files through; kNoByteLimit sets none.
  unsigned long long byteLimit = kNoByteLimit;
  // Asked when a file cannot be kept aside or opened for writing; null
  // gives the entry up at once.
  WriteFailureCallback onWriteFailure = nullptr;
  ExtractionCallback onEntry = nullptr;  // null: nobody hears of the entries
  void* context = nullptr;               // handed to both callbacks
};

struct ExtractResult {
  bool opened = false;  // the archive and its directory could be read
  int written = 0;      // files written whole, with their time and attributes
  // Entries that were to be written but were not written whole: data that
  // do not inflate, are shorter than stated or fail their CRC-32, names
  // that would leave the destination, name a device or do not fit the name
  // buffer, encrypted entries, entries beyond the byte limit, files that
  // could not be written, and a
  // directory that cannot be walked to its end. An existing read-only file
  // in the way is skipped and is no failure.
  // A directory that holds other entries than the archive's end record
  // states (its size or its count) counts once.
  int failed = 0;
  int unwritable = 0;    // of the failed: files that could not be kept aside or opened for writing
  int atRestart = 0;     // written beside their place; the next restart puts them there
  bool stopped = false;  // the callback stopped the walk
  unsigned long long bytes = 0;  // what the files written whole hold together
};

// Extracts the entries whose file part matches the pattern into
// `destination`.
ExtractResult ExtractArchiveWith(const std::wstring& archive, const std::wstring& destination,
                                 const ExtractOptions& options);

// The same with a pattern, the folder rule and a callback (context null),
// and no journal: the number of files written; 0 when the archive cannot be
// opened.
int ExtractArchive(const std::wstring& archive, const std::wstring& pattern, const std::wstring& destination,
                   int keepFolders, ExtractionCallback onEntry = nullptr);
