// Task lines: a keyword and its fields separated by the pilcrow (U+00B6),
// numbered from 1, keyword first. Fields are not trimmed. Pure logic.
#pragma once

#include <string>
#include <vector>

constexpr wchar_t kPilcrow = 0x00B6;

class TaskFields {
 public:
  explicit TaskFields(const std::wstring& line);
  // Field n (1 is the keyword); the empty text beyond the last one.
  const std::wstring& operator[](size_t n) const;
  size_t count() const { return fields_.size(); }

 private:
  std::vector<std::wstring> fields_;
  std::wstring none_;  // what a field beyond the last reads: always empty
};

// Joins fields with the pilcrow.
std::wstring JoinTaskLine(const std::vector<std::wstring>& fields);
