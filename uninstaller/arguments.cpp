#include "uninstaller/arguments.h"

#include <algorithm>

#include "common/text.h"

namespace {

// The text after the program's name.
std::wstring Parameters(const std::wstring& commandLine, const std::wstring& ownPath) {
  const std::wstring line = text::TrimLeft(commandLine);
  if (!line.empty() && line[0] == L'"') {
    const size_t close = line.find(L'"', 1);
    return close == std::wstring::npos ? std::wstring() : line.substr(close + 1);
  }
  if (!ownPath.empty() && line.size() >= ownPath.size() && text::EqualsNoCase(line.substr(0, ownPath.size()), ownPath))
    return line.substr(ownPath.size());
  const size_t blank = line.find_first_of(text::kBlanks);
  return blank == std::wstring::npos ? std::wstring() : line.substr(blank);
}

// One double-quoted, non-empty path at `at` (blanks before it skipped).
bool QuotedPath(const std::wstring& s, size_t* at, std::wstring* path) {
  while (*at < s.size() && (s[*at] == L' ' || s[*at] == L'\t')) ++*at;
  if (*at >= s.size() || s[*at] != L'"') return false;
  const size_t close = s.find(L'"', *at + 1);
  if (close == std::wstring::npos || close == *at + 1) return false;
  *path = s.substr(*at + 1, close - *at - 1);
  *at = close + 1;
  return true;
}

// A /LOG= at the end of `rest`: its file, and `rest` without it.
std::wstring TakeLog(std::wstring* rest) {
  const size_t at = text::Lower(*rest).rfind(L"/log=");
  if (at == std::wstring::npos) return std::wstring();
  size_t start = at;
  if (start > 0 && (*rest)[start - 1] == L'"') --start;  // the whole switch quoted
  if (start > 0 && (*rest)[start - 1] != L' ' && (*rest)[start - 1] != L'\t') return std::wstring();
  // Not inside a quoted path.
  if (std::count(rest->begin(), rest->begin() + static_cast<std::ptrdiff_t>(start), L'"') % 2) return std::wstring();
  std::wstring file = text::Trim(rest->substr(at + 5), L" \t");
  // A /S after it is the switch: no file name holds a slash.
  const bool silent = text::EndsWith(file, L" /S") || text::EndsWith(file, L"\t/S");
  if (silent) file.resize(file.size() - 3);
  file = text::Trim(file, L" \t\"");
  if (!file.empty()) *rest = rest->substr(0, start) + (silent ? L" /S" : L"");
  return file;
}

}  // namespace

UninstallerArguments ReadUninstallerArguments(const std::wstring& commandLine, const std::wstring& ownPath) {
  UninstallerArguments a;
  std::wstring rest = text::Trim(Parameters(commandLine, ownPath));
  a.log = TakeLog(&rest);
  rest = text::Trim(rest);
  // A trailing /S asks for a removal without questions.
  if (rest == L"/S" || text::EndsWith(rest, L" /S") || text::EndsWith(rest, L"\t/S")) {
    a.silent = true;
    rest = text::Trim(rest.substr(0, rest.size() - 2));
  }
  if (rest.empty()) return a;
  size_t at = 0;
  std::wstring first, second;
  if (!QuotedPath(rest, &at, &first)) return UninstallerArguments();
  if (at < rest.size() && rest[at] != L' ' && rest[at] != L'\t') return UninstallerArguments();
  if (!QuotedPath(rest, &at, &second) || !text::Trim(rest.substr(at)).empty()) return UninstallerArguments();
  a.secondStage = true;
  a.dataPath = first;
  a.uninstallerPath = second;
  return a;
}
