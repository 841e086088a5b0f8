#include "wizard/size_format.h"

#include <cmath>

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
  // 1024 to the k-th power is a power of two: exact as a double.
  const double scaled = static_cast<double>(count) / static_cast<double>(uint64_t{1} << (10 * k));
  const int digits = k == 0 ? 0 : (decimals < 0 ? 0 : decimals > 6 ? 6 : decimals);
  // Fixed point with the last digit taken to the nearest value (a tie goes
  // up). The scaled value is below 1024 once a unit is chosen, or a byte
  // count below 1024, so the digits fit in 64 bits.
  uint64_t power = 1;
  for (int i = 0; i < digits; ++i) power *= 10;
  const uint64_t rounded = static_cast<uint64_t>(std::floor(scaled * static_cast<double>(power) + 0.5));
  std::wstring number = text::DecimalUnsigned(rounded / power);
  if (digits) {
    std::wstring fraction = text::DecimalUnsigned(rounded % power);
    number += L"." + std::wstring(static_cast<size_t>(digits) - fraction.size(), L'0') + fraction;
  }
  return number + L" " + kUnits[k];
}

uint64_t RequiredSpaceOf(const unsigned char* statistics, size_t size) {
  uint64_t value = 0;
  for (size_t i = size < 8 ? size : 8; i-- > 0;) value = value << 8 | statistics[i];
  return value;
}

std::wstring RootOf(const std::wstring& path) { return path.substr(0, 3); }
