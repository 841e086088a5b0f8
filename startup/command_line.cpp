#include "startup/command_line.h"

std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine) {
  std::vector<std::wstring> args;
  size_t i = 0;
  const size_t n = commandLine.size();
  auto blank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
  for (;;) {
    while (i < n && blank(commandLine[i])) ++i;
    if (i >= n) break;
    if (commandLine[i] == L'"') {
      size_t close = commandLine.find(L'"', i + 1);
      if (close == std::wstring::npos) close = n;
      args.push_back(commandLine.substr(i + 1, close - i - 1));
      i = close + 1;
    } else {
      size_t end = i;
      while (end < n && !blank(commandLine[end])) ++end;
      args.push_back(commandLine.substr(i, end - i));
      i = end;
    }
  }
  return args;
}

std::wstring CommandArgument(const std::wstring& commandLine, size_t n) {
  std::vector<std::wstring> args = SplitCommandLine(commandLine);
  return n < args.size() ? args[n] : std::wstring();
}
