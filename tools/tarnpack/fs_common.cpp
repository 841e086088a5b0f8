#include "tools/tarnpack/fs.h"

namespace fs {

uint32_t DosTime(int year, int month, int day, int hour, int minute, int second) {
  if (year < 1980) year = 1980, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  if (year > 2107) year = 2107;
  uint32_t date = uint32_t(year - 1980) << 9 | uint32_t(month) << 5 | uint32_t(day);
  uint32_t time = uint32_t(hour) << 11 | uint32_t(minute) << 5 | uint32_t(second / 2);
  return date << 16 | time;
}

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  char last = folder.back();
  if (last == '/' || last == '\\') return folder + name;
  return folder + "/" + name;
}

bool MakeFolders(const std::string& path) {
  for (size_t at = path.find_first_of("/\\", 1);; at = path.find_first_of("/\\", at + 1)) {
    const std::string above = path.substr(0, at);
    if (!IsFolder(above)) MakeFolder(above);
    if (at == std::string::npos) break;
  }
  return IsFolder(path);
}

}  // namespace fs
