#include "wizard/size_format.h"

#include <cmath>
#include <cstdio>

#include "common/text.h"

std::wstring FormatSize(uint64_t count, int decimals) {
  static const wchar_t* const kUnits[] = {L"Byte", L"KB", L"MB", L"GB", L"TB", L"PB", L"EB"};
  int k = 0;
  if (count) {
    // volatile: every step is rounded to single precision even on an x87
    // unit, which would otherwise keep extended precision in its registers.
    volatile float asFloat = static_cast<float>(count);
    volatile float logCount = static_cast<float>(std::log(static_cast<double>(asFloat)));
    volatile float log1024 = static_cast<float>(std::log(1024.0));
    volatile float quotient = logCount / log1024;
    k = static_cast<int>(std::floor(quotient));
    if (k < 0) k = 0;
    if (k > 6) k = 6;
  }
  const double scaled = static_cast<double>(count) / std::pow(1024.0, k);
  const int digits = k == 0 ? 0 : (decimals < 0 ? 0 : decimals > 9 ? 9 : decimals);
  char number[64];
  std::snprintf(number, sizeof number, "%.*f", digits, scaled);
  return text::FromLatin1(number, std::char_traits<char>::length(number)) + L" " + kUnits[k];
}

std::wstring RootOf(const std::wstring& path) { return path.substr(0, 3); }
