#include "common/record_list.h"

#include <cstring>

#include "common/files.h"
#include "common/text.h"

namespace {

constexpr size_t kFrame = 4;  // the record's size, before and after its bytes

uint32_t SizeAt(const char* p) {
  uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

using Visitor = bool (*)(void* context, const char* record, size_t size);

// Visits the records framed in `bytes`; false when the walk was stopped.
bool WalkBytes(const char* bytes, size_t length, bool backward, Visitor visit, void* context) {
  if (!backward) {
    for (size_t at = 0; at + 2 * kFrame <= length;) {
      const uint32_t size = SizeAt(bytes + at);
      if (!visit(context, bytes + at + kFrame, size)) return false;
      at += size + 2 * kFrame;
    }
    return true;
  }
  for (size_t end = length; end >= 2 * kFrame;) {
    const uint32_t size = SizeAt(bytes + end - kFrame);
    const size_t start = end - size - 2 * kFrame;
    if (!visit(context, bytes + start + kFrame, size)) return false;
    end = start;
  }
  return true;
}

}  // namespace

void RecordList::Append(const void* bytes, size_t size) {
  const uint32_t framed = static_cast<uint32_t>(size);
  buffer_.append(reinterpret_cast<const char*>(&framed), kFrame);
  buffer_.append(static_cast<const char*>(bytes), size);
  buffer_.append(reinterpret_cast<const char*>(&framed), kFrame);
  ++count_;
  if (buffer_.size() >= kRecordPiece && !folder_.empty() && !spillFailed_) Spill();
}

// The buffer goes to the end of the file (made on the first spill). A file
// that cannot be made or written keeps every later record in memory; a
// write that fails half way is cut off again.
void RecordList::Spill() {
  if (file_ == INVALID_HANDLE_VALUE) {
    static unsigned number = 0;
    for (int attempt = 0; attempt < 100 && file_ == INVALID_HANDLE_VALUE; ++attempt) {
      const std::wstring name = folder_ + L"records" + text::DecimalUnsigned(++number) + L".tmp";
      // Shared with nobody: no other program reads, changes or locks it.
      file_ = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
      if (file_ == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS &&
          GetLastError() != ERROR_ALREADY_EXISTS)
        break;
    }
    if (file_ == INVALID_HANDLE_VALUE) {
      spillFailed_ = true;
      return;
    }
  }
  LONG high = static_cast<LONG>(fileBytes_ >> 32);
  const bool placed = SetFilePointer(file_, static_cast<LONG>(fileBytes_ & 0xFFFFFFFFu), &high, FILE_BEGIN) !=
                          INVALID_SET_FILE_POINTER ||
                      GetLastError() == NO_ERROR;
  if (!placed || !WriteAll(file_, buffer_.data(), buffer_.size())) {
    high = static_cast<LONG>(fileBytes_ >> 32);
    SetFilePointer(file_, static_cast<LONG>(fileBytes_ & 0xFFFFFFFFu), &high, FILE_BEGIN);
    SetEndOfFile(file_);
    spillFailed_ = true;
    return;
  }
  fileBytes_ += buffer_.size();
  // A record larger than a piece leaves no buffer of its size behind.
  if (buffer_.capacity() > 2 * kRecordPiece) std::string().swap(buffer_);
  else buffer_.clear();
}

bool RecordList::ReadAt(uint64_t offset, char* into, size_t size) {
  LONG high = static_cast<LONG>(offset >> 32);
  if (SetFilePointer(file_, static_cast<LONG>(offset & 0xFFFFFFFFu), &high, FILE_BEGIN) == INVALID_SET_FILE_POINTER &&
      GetLastError() != NO_ERROR)
    return false;
  while (size) {
    DWORD got = 0;
    if (!ReadFile(file_, into, static_cast<DWORD>(size), &got, nullptr) || got == 0) return false;
    into += got;
    size -= got;
  }
  return true;
}

// The file is read a piece at a time; a record larger than a piece is read
// whole.
bool RecordList::WalkFile(bool backward, Visitor visit, void* context, bool* stopped) {
  std::string piece;
  uint64_t done = 0;  // bytes of the file walked
  while (done < fileBytes_) {
    const uint64_t left = fileBytes_ - done;
    size_t want = left < kRecordPiece ? static_cast<size_t>(left) : kRecordPiece;
    // The records whole inside [from, from + want).
    uint64_t from = backward ? fileBytes_ - done - want : done;
    if (want < 2 * kFrame) return false;
    piece.resize(want);
    if (!ReadAt(from, &piece[0], want)) return false;
    size_t whole = 0;  // bytes of whole records found, from the piece's walked end
    if (!backward) {
      while (whole + 2 * kFrame <= want) {
        const size_t size = SizeAt(&piece[whole]);
        if (whole + size + 2 * kFrame > want) break;
        whole += size + 2 * kFrame;
      }
      if (!whole) {  // one record larger than the piece
        const size_t size = SizeAt(&piece[0]);
        if (size + 2 * kFrame > left) return false;
        want = whole = size + 2 * kFrame;
        piece.resize(want);
        if (!ReadAt(from, &piece[0], want)) return false;
      }
      if (!WalkBytes(piece.data(), whole, false, visit, context)) {
        *stopped = true;
        return true;
      }
    } else {
      while (whole + 2 * kFrame <= want) {
        const size_t size = SizeAt(&piece[want - whole - kFrame]);
        if (whole + size + 2 * kFrame > want) break;
        whole += size + 2 * kFrame;
      }
      if (!whole) {
        const size_t size = SizeAt(&piece[want - kFrame]);
        if (size + 2 * kFrame > left) return false;
        want = whole = size + 2 * kFrame;
        from = fileBytes_ - done - want;
        piece.resize(want);
        if (!ReadAt(from, &piece[0], want)) return false;
      }
      if (!WalkBytes(piece.data() + want - whole, whole, true, visit, context)) {
        *stopped = true;
        return true;
      }
    }
    done += whole;
  }
  return true;
}

bool RecordList::Walk(bool backward, Visitor visit, void* context) {
  bool stopped = false;
  if (backward && !WalkBytes(buffer_.data(), buffer_.size(), true, visit, context)) return true;
  if (file_ != INVALID_HANDLE_VALUE && !WalkFile(backward, visit, context, &stopped)) return false;
  if (!backward && !stopped) WalkBytes(buffer_.data(), buffer_.size(), false, visit, context);
  return true;
}

void RecordList::DropLast(size_t count) {
  if (!count) return;
  if (count >= count_) {
    Clear();
    return;
  }
  uint64_t bytes = 0;
  size_t left = count;
  Backward([&](const char*, size_t size) {
    bytes += size + 2 * kFrame;
    return --left > 0;
  });
  count_ -= count;
  if (bytes <= buffer_.size()) {
    buffer_.resize(buffer_.size() - static_cast<size_t>(bytes));
    return;
  }
  fileBytes_ -= bytes - buffer_.size();
  buffer_.clear();
  LONG high = static_cast<LONG>(fileBytes_ >> 32);
  SetFilePointer(file_, static_cast<LONG>(fileBytes_ & 0xFFFFFFFFu), &high, FILE_BEGIN);
  SetEndOfFile(file_);
}

void RecordList::Clear() {
  std::string().swap(buffer_);
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);  // deleted as it closes
  file_ = INVALID_HANDLE_VALUE;
  fileBytes_ = 0;
  spillFailed_ = false;
  count_ = 0;
}
