#include "startup/command_line.h"

#include "install/path_rules.h"

#include "common/text.h"

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

namespace {

bool HasSwitch(const std::wstring& argument, const wchar_t* name) {
  const std::wstring prefix = name;
  return argument.size() >= prefix.size() && text::EqualsNoCase(argument.substr(0, prefix.size()), prefix);
}

bool IsCloseSwitch(const std::wstring& argument) { return text::EqualsNoCase(argument, L"/CLOSEAPPLICATIONS"); }
bool IsPassiveSwitch(const std::wstring& argument) { return text::EqualsNoCase(argument, L"/PASSIVE"); }

// Arguments as Windows programs read them: blanks separate them, double
// quotes anywhere in one group blanks into it and are dropped. Each comes
// with the position where it begins.
std::vector<std::pair<std::wstring, size_t>> SwitchArguments(const std::wstring& line, size_t from) {
  std::vector<std::pair<std::wstring, size_t>> args;
  size_t i = from;
  const size_t n = line.size();
  for (;;) {
    while (i < n && (line[i] == L' ' || line[i] == L'\t')) ++i;
    if (i >= n) break;
    const size_t start = i;
    std::wstring arg;
    bool quoted = false;
    for (; i < n && (quoted || (line[i] != L' ' && line[i] != L'\t')); ++i) {
      if (line[i] == L'"') quoted = !quoted;
      else arg += line[i];
    }
    args.push_back({arg, start});
  }
  return args;
}

// Where the arguments begin: after the program's name (quoted, or up to
// the first blank).
size_t AfterProgramName(const std::wstring& line) {
  size_t i = 0;
  while (i < line.size() && (line[i] == L' ' || line[i] == L'\t')) ++i;
  if (i < line.size() && line[i] == L'"') {
    size_t close = line.find(L'"', i + 1);
    return close == std::wstring::npos ? line.size() : close + 1;
  }
  while (i < line.size() && line[i] != L' ' && line[i] != L'\t') ++i;
  return i;
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

}  // namespace

bool IsFullFolderPath(const std::wstring& path) {
  const size_t n = path.size();
  // A stream or a device is no folder ("C:\\x::$DATA", "C:\\x\\NUL").
  if (HasStreamOrDeviceSyntax(path)) return false;
  if (n >= 3 && ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) && path[1] == L':' &&
      IsSeparator(path[2]))
    return true;
  if (n < 2 || !IsSeparator(path[0]) || !IsSeparator(path[1])) return false;
  size_t server = 2;
  while (server < n && !IsSeparator(path[server])) ++server;
  const std::wstring name = path.substr(2, server - 2);
  if (name.empty() || name == L"." || name == L"?" || server >= n) return false;
  // A share name follows the server's.
  return server + 1 < n && !IsSeparator(path[server + 1]);
}

Invocation ReadInvocation(const std::wstring& commandLine) {
  Invocation v;
  const std::wstring first = CommandArgument(commandLine, 1), second = CommandArgument(commandLine, 2);
  const auto args = SwitchArguments(commandLine, AfterProgramName(commandLine));
  if (first == L"/S") {
    v.silent = true;
    // /D= comes right after /S, or after /S /PASSIVE.
    const size_t folderAt = args.size() > 1 && IsPassiveSwitch(args[1].first) ? 2 : 1;
    for (size_t k = 1; k < args.size(); ++k) {
      const std::wstring& arg = args[k].first;
      if (k == folderAt && HasSwitch(arg, L"/D=")) {
        // The folder runs to the end of the line, or to the next /LOG=,
        // /CLOSEAPPLICATIONS or /PASSIVE: blanks in it need no quotes.
        size_t end = k + 1;
        while (end < args.size() && !HasSwitch(args[end].first, L"/LOG=") && !IsCloseSwitch(args[end].first) &&
               !IsPassiveSwitch(args[end].first))
          ++end;
        if (commandLine[args[k].second] == L'"') {
          // The whole switch quoted ("/D=C:\My Folder"): its value as read.
          v.folder = arg.substr(3);
          if (end != k + 1) v.mode = RunMode::kUsage;
        } else {
          const size_t from = args[k].second + 3;
          const size_t stop = end < args.size() ? args[end].second : commandLine.size();
          std::wstring rest = text::Trim(commandLine.substr(from, stop - from));
          if (rest.size() >= 2 && rest.front() == L'"' && rest.back() == L'"') rest = rest.substr(1, rest.size() - 2);
          v.folder = rest;
        }
        k = end - 1;
      } else if (HasSwitch(arg, L"/LOG=") && v.log.empty()) {
        v.log = arg.substr(5);
      } else if (IsCloseSwitch(arg) && !v.closeApplications) {
        v.closeApplications = true;
      } else if (IsPassiveSwitch(arg) && !v.passive) {
        v.passive = true;
      } else {
        v.mode = RunMode::kUsage;
      }
    }
    if (args.size() > folderAt && HasSwitch(args[folderAt].first, L"/D=") && v.folder.empty())
      v.mode = RunMode::kUsage;
    if (v.mode == RunMode::kInstall && !v.folder.empty() && !IsFullFolderPath(text::Trim(v.folder)))
      v.mode = RunMode::kFolderNotFull;
    return v;
  }
  if (args.size() == 1 && HasSwitch(args[0].first, L"/LOG=")) {
    v.log = args[0].first.substr(5);
    return v;
  }
  // "/?", alone or with a log.
  if ((args.size() == 1 || args.size() == 2) && (args[0].first == L"/?" || args.back().first == L"/?")) {
    const std::wstring& other = args[0].first == L"/?" ? args.back().first : args[0].first;
    if (args.size() == 1 || HasSwitch(other, L"/LOG=")) {
      v.mode = RunMode::kSwitches;
      if (args.size() == 2) v.log = other.substr(5);
      return v;
    }
  }
  if (!first.empty() && !second.empty()) {
    if (first == L"-u") {
      v.mode = RunMode::kUnpackOnly;
      v.folder = second;
    } else {
      v.mode = RunMode::kUsage;
    }
  }
  return v;
}
