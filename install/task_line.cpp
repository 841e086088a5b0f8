#include "install/task_line.h"

#include "common/text.h"

TaskFields::TaskFields(const std::wstring& line) : fields_(text::Split(line, kPilcrow)) {}

const std::wstring& TaskFields::operator[](size_t n) const {
  return n >= 1 && n <= fields_.size() ? fields_[n - 1] : none_;
}

std::wstring JoinTaskLine(const std::vector<std::wstring>& fields) { return text::Join(fields, kPilcrow); }
