#include "tools/tarnpack/fs.h"

namespace fs {

uint32_t DosTime(int year, int month, int day, int hour, int minute, int second) {
  if (year < 1980) year = 1980, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  if (year > 2107) year = 2107;
  uint32_t date = uint32_t(year - 1980) << 9 | uint32_t(month) << 5 | uint32_t(day);
  uint32_t time = uint32_t(hour) << 11 | uint32_t(minute) << 5 | uint32_t(second / 2);
  return date << 16 | time;
}

uint32_t DosTimeUtc(int64_t seconds) {
  int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
  const int64_t inDay = seconds - days * 86400;
  // The civil date of a day count, in eras of 400 years from 0000-03-01.
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
  const int day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
  const int month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
  const int year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
  return DosTime(year, month, day, static_cast<int>(inDay / 3600), static_cast<int>(inDay / 60 % 60),
                 static_cast<int>(inDay % 60));
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
