#include "install/path_rules.h"

#include <vector>

#include "common/text.h"

namespace {

bool IsLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

bool IsDrivePrefix(const std::wstring& s) { return s.size() >= 2 && IsLetter(s[0]) && s[1] == L':'; }

// "\\server\x$\rest" of the local computer becomes "x:\rest".
std::wstring FromAdministrativeShare(const std::wstring& s, const std::wstring& computerName) {
  if (!text::StartsWith(s, L"\\\\")) return s;
  const size_t serverEnd = s.find(L'\\', 2);
  if (serverEnd == std::wstring::npos) return s;
  const std::wstring server = text::Lower(s.substr(2, serverEnd - 2));
  const bool local = server == L"localhost" || server == L"127.0.0.1" || server == L"[::1]" || server == L"::1" ||
                     server == L"0:0:0:0:0:0:0:1" || (!computerName.empty() && server == text::Lower(computerName));
  if (!local) return s;
  const size_t shareEnd = s.find(L'\\', serverEnd + 1);
  const std::wstring share = s.substr(serverEnd + 1, shareEnd == std::wstring::npos ? std::wstring::npos
                                                                                     : shareEnd - serverEnd - 1);
  if (share.size() != 2 || !IsLetter(share[0]) || share[1] != L'$') return s;
  return std::wstring(1, share[0]) + L":\\" + (shareEnd == std::wstring::npos ? std::wstring() : s.substr(shareEnd + 1));
}

}  // namespace

std::wstring GuardForm(const std::wstring& path, const std::wstring& computerName) {
  std::wstring s = text::ReplaceAll(text::Trim(path), L"/", L"\\");
  // Namespace prefixes: the long-path and device forms name the same places.
  if (text::StartsWith(text::Lower(s), L"\\\\?\\unc\\")) s = L"\\\\" + s.substr(8);
  else if (text::StartsWith(s, L"\\\\?\\") || text::StartsWith(s, L"\\\\.\\") || text::StartsWith(s, L"\\??\\"))
    s = s.substr(4);
  s = FromAdministrativeShare(s, computerName);

  std::wstring root;
  std::wstring rest;
  if (IsDrivePrefix(s) && (s.size() == 2 || s[2] == L'\\')) {
    root = s.substr(0, 2) + L"\\";
    rest = s.size() > 3 ? s.substr(3) : std::wstring();
  } else if (text::StartsWith(s, L"\\\\") && s.size() > 2 && s[2] != L'\\') {
    // Server and share are the root of a network path.
    size_t serverEnd = s.find(L'\\', 2);
    size_t shareEnd = serverEnd == std::wstring::npos ? std::wstring::npos : s.find(L'\\', serverEnd + 1);
    root = s.substr(0, shareEnd == std::wstring::npos ? s.size() : shareEnd) + L"\\";
    rest = shareEnd == std::wstring::npos ? std::wstring() : s.substr(shareEnd + 1);
  } else {
    return s;  // relative, or a name of no file system
  }
  // Components: "." and empty ones go, ".." climbs (never above the root),
  // and Windows drops trailing dots and blanks from a name.
  std::vector<std::wstring> parts;
  for (const std::wstring& raw : text::Split(rest, L'\\')) {
    if (raw == L"..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    const std::wstring part = text::TrimRight(raw, L". ");
    if (part.empty()) continue;
    parts.push_back(part);
  }
  std::wstring form = root;
  for (const std::wstring& part : parts) form += part + L"\\";
  return text::Lower(form);
}

bool IsAbsoluteGuardForm(const std::wstring& form) {
  return (IsDrivePrefix(form) && form.size() >= 3 && form[2] == L'\\') ||
         (text::StartsWith(form, L"\\\\") && form.size() > 2 && form[2] != L'\\');
}

bool IsRootGuardForm(const std::wstring& form) {
  if (IsDrivePrefix(form)) return form.size() <= 3;
  if (!text::StartsWith(form, L"\\\\")) return false;
  // "\\server\share\": two names, each followed by a backslash.
  int separators = 0;
  for (size_t i = 2; i < form.size(); ++i) separators += form[i] == L'\\';
  return separators <= 2;
}

bool ContainsGuardForm(const std::wstring& outer, const std::wstring& inner) {
  return text::StartsWith(inner, outer);
}
