#include "common/log.h"

#include "common/files.h"
#include "common/prelude.h"
#include "common/text.h"

namespace {
HANDLE g_log = INVALID_HANDLE_VALUE;

std::wstring TwoDigits(unsigned n) { return (n < 10 ? L"0" : L"") + text::DecimalUnsigned(n); }
}  // namespace

bool OpenLog(const std::wstring& path) {
  CloseLog();
  g_log = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                      nullptr);
  if (g_log == INVALID_HANDLE_VALUE) return false;
  WriteAll(g_log, "\xEF\xBB\xBF", 3);
  return true;
}

bool Logging() { return g_log != INVALID_HANDLE_VALUE; }

void LogLine(const std::wstring& line) {
  if (!Logging()) return;
  SYSTEMTIME t;
  GetLocalTime(&t);
  const std::wstring stamp = text::DecimalUnsigned(t.wYear) + L"-" + TwoDigits(t.wMonth) + L"-" + TwoDigits(t.wDay) +
                             L" " + TwoDigits(t.wHour) + L":" + TwoDigits(t.wMinute) + L":" + TwoDigits(t.wSecond);
  // One line per entry: line ends inside a text become " / ".
  std::wstring flat = text::ReplaceAll(text::ReplaceAll(line, L"\r\n", L" / "), L"\n", L" / ");
  const std::string bytes = text::ToUtf8(stamp + L"  " + flat + L"\r\n");
  WriteAll(g_log, bytes.data(), bytes.size());
}

void CloseLog() {
  if (g_log != INVALID_HANDLE_VALUE) CloseHandle(g_log);
  g_log = INVALID_HANDLE_VALUE;
}
