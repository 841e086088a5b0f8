// Feeds arbitrary task lines (UTF-8) to the field splitter: the fields join
// back to the line, and fields beyond the last one are empty.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/text.h"
#include "install/task_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring line = text::FromUtf8(reinterpret_cast<const char*>(data), size);
  const TaskFields fields(line);

  size_t pilcrows = 0;
  for (wchar_t c : line) pilcrows += c == kPilcrow;
  if (fields.count() != pilcrows + 1) __builtin_trap();

  std::vector<std::wstring> pieces;
  size_t total = 0;
  for (size_t n = 1; n <= fields.count(); ++n) {
    if (fields[n].find(kPilcrow) != std::wstring::npos) __builtin_trap();
    pieces.push_back(fields[n]);
    total += fields[n].size();
  }
  if (total + pilcrows != line.size()) __builtin_trap();
  if (JoinTaskLine(pieces) != line) __builtin_trap();
  if (!fields[0].empty() || !fields[fields.count() + 1].empty() || !fields[size_t(-1)].empty()) __builtin_trap();

  // Splitting what was joined gives the same fields again.
  const TaskFields again(JoinTaskLine(pieces));
  if (again.count() != fields.count()) __builtin_trap();
  for (size_t n = 1; n <= fields.count(); ++n)
    if (again[n] != fields[n]) __builtin_trap();
  return 0;
}
