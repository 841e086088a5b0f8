// What the setup stub checks of a ZIP archive besides each entry's data:
// its end record and central directory, and the entry records it refuses
// before reading their data. Pure logic.
#pragma once

#include <cstddef>
#include <cstdint>

#include "package/trailer.h"

// Raw entry names up to this many bytes less one are read; a longer name
// is never cut to another one: the entry is not written.
constexpr size_t kNameBuffer = 500;
// General-purpose flags of an entry record.
constexpr unsigned long kUtf8NameFlag = 1u << 11;
constexpr unsigned long kEncryptedFlag = 1u << 0;  // no password is ever given: not written

// What the archive's first and last bytes say before the reader opens it.
struct ArchiveEnds {
  // An archive without entries is its end record alone, which the reader
  // does not find at the very start of a file; it is a whole archive.
  bool empty = false;
  // The reader takes the last end-of-archive signature in the file's final
  // 65,535 bytes, and reads what lies beyond the end of the file as zeros:
  // an end record cut short opens as an archive of other counts and
  // offsets, without entries at worst. True when that record's 22 bytes do
  // not all lie inside the file.
  bool endRecordCut = false;
  // What the end record (or its 64-bit form) states of the central
  // directory: its size in bytes and its number of entries. The walk must
  // find exactly that: a count smaller than the entries there makes the
  // reader stop early and skip the rest without a word.
  uint64_t archiveSize = 0;
  bool directoryKnown = false;
  uint64_t directorySize = 0;
  uint64_t directoryEntries = 0;
};

// Reads them from an archive of `size` bytes through `read` (offsets
// relative to the archive's start).
ArchiveEnds ReadArchiveEnds(int64_t size, ReadBytes read, void* archive);
