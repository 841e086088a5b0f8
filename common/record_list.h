// A list that grows with an installation's files without growing in
// memory: its records (byte strings) are appended to a buffer that goes,
// whenever it holds kRecordPiece bytes, to a file of the list's own in a
// folder named once (the run's work folder). That file is deleted when the
// list is emptied or the process ends, and a walk that deletes the folder
// meanwhile leaves it alone (it is held open shared with nobody).
// Records are read back first to last or last to first, a piece of the
// file at a time. Without a folder, or when the file cannot be written,
// the records stay in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/prelude.h"

constexpr size_t kRecordPiece = 65536;

class RecordList {
 public:
  RecordList() = default;
  ~RecordList() { Clear(); }
  RecordList(const RecordList&) = delete;
  RecordList& operator=(const RecordList&) = delete;

  // Records that do not fit the buffer go, from now on, to a new file in
  // `folder` (with its backslash).
  void KeepIn(const std::wstring& folder) { folder_ = folder; }
  void Append(const void* bytes, size_t size);
  size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  // The bytes held in memory: at most a piece and a record while a file
  // takes the rest.
  size_t MemoryBytes() const { return buffer_.capacity(); }

  // Visits the records, first to last or last to first, with their bytes
  // and their size; a visit that returns false ends the walk. False when
  // the file could not be read back.
  template <typename Visit>
  bool Forward(Visit visit) {
    return Walk(false, &Call<Visit>, &visit);
  }
  template <typename Visit>
  bool Backward(Visit visit) {
    return Walk(true, &Call<Visit>, &visit);
  }

  // Drops the last `count` records.
  void DropLast(size_t count);
  // Empties the list; its file goes.
  void Clear();

 private:
  using Visitor = bool (*)(void* context, const char* record, size_t size);
  template <typename Visit>
  static bool Call(void* context, const char* record, size_t size) {
    return (*static_cast<Visit*>(context))(record, size);
  }
  bool Walk(bool backward, Visitor visit, void* context);
  bool WalkFile(bool backward, Visitor visit, void* context, bool* stopped);
  bool ReadAt(uint64_t offset, char* into, size_t size);
  void Spill();

  std::wstring folder_;
  std::string buffer_;  // the records not in the file, each framed by its size before and after
  HANDLE file_ = INVALID_HANDLE_VALUE;
  uint64_t fileBytes_ = 0;
  bool spillFailed_ = false;
  size_t count_ = 0;
};
