#include "install/path_rules.h"

#include <cstdint>
#include <vector>

#include "common/text.h"

namespace {

bool IsLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

bool IsDrivePrefix(const std::wstring& s) { return s.size() >= 2 && IsLetter(s[0]) && s[1] == L':'; }

int DigitValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return 99;
}

// An IPv4 address in every notation the system's resolver accepts: one to
// four parts, each decimal, octal (leading 0) or hexadecimal (0x); the last
// part fills the remaining bytes ("127.1" is 127.0.0.1).
bool ParseIpv4(const std::wstring& s, uint32_t* address) {
  const std::vector<std::wstring> parts = text::Split(s, L'.');
  if (parts.size() > 4) return false;
  uint64_t values[4] = {};
  for (size_t i = 0; i < parts.size(); ++i) {
    const std::wstring& p = parts[i];
    int base = 10;
    size_t at = 0;
    if (p.size() > 2 && p[0] == L'0' && (p[1] == L'x' || p[1] == L'X')) base = 16, at = 2;
    else if (p.size() > 1 && p[0] == L'0') base = 8, at = 1;
    if (p.empty()) return false;
    for (; at < p.size(); ++at) {
      const int d = DigitValue(p[at]);
      if (d >= base) return false;
      values[i] = values[i] * base + d;
      if (values[i] > 0xFFFFFFFFu) return false;
    }
  }
  const size_t last = parts.size() - 1;
  for (size_t i = 0; i < last; ++i)
    if (values[i] > 255) return false;
  if (values[last] > (0xFFFFFFFFu >> (8 * last))) return false;
  uint32_t a = static_cast<uint32_t>(values[last]);
  for (size_t i = 0; i < last; ++i) a |= static_cast<uint32_t>(values[i]) << (24 - 8 * i);
  *address = a;
  return true;
}

bool IsIpv4Loopback(uint32_t a) { return (a >> 24) == 127 || a == 0; }

// Groups separated by ":" (none empty), the last one possibly a dotted IPv4 address.
bool ParseIpv6Groups(const std::wstring& s, std::vector<uint32_t>* groups) {
  if (s.empty()) return true;
  for (const std::wstring& g : text::Split(s, L':')) {
    uint32_t v4 = 0;
    if (g.find(L'.') != std::wstring::npos) {
      if (text::Split(g, L'.').size() != 4 || !ParseIpv4(g, &v4)) return false;
      groups->push_back(v4 >> 16);
      groups->push_back(v4 & 0xFFFF);
      continue;
    }
    if (g.empty() || g.size() > 4) return false;
    uint32_t v = 0;
    for (wchar_t c : g) {
      if (DigitValue(c) > 15) return false;
      v = v * 16 + DigitValue(c);
    }
    groups->push_back(v);
  }
  return true;
}

// An IPv6 address, "::" standing for the zero groups it leaves out.
bool ParseIpv6(const std::wstring& s, uint32_t groups[8]) {
  const size_t gap = s.find(L"::");
  std::vector<uint32_t> head, tail;
  if (gap == std::wstring::npos) {
    if (!ParseIpv6Groups(s, &head) || head.size() != 8) return false;
  } else {
    if (s.find(L"::", gap + 1) != std::wstring::npos) return false;
    if (!ParseIpv6Groups(s.substr(0, gap), &head) || !ParseIpv6Groups(s.substr(gap + 2), &tail)) return false;
    if (head.size() + tail.size() > 7) return false;
  }
  for (int i = 0; i < 8; ++i) groups[i] = 0;
  for (size_t i = 0; i < head.size(); ++i) groups[i] = head[i];
  for (size_t i = 0; i < tail.size(); ++i) groups[8 - tail.size() + i] = tail[i];
  return true;
}

// "::1" and "::", and the IPv4 loopback mapped into IPv6 (::ffff:127.x.y.z, ::127.x.y.z).
bool IsIpv6Loopback(const uint32_t g[8]) {
  for (int i = 0; i < 5; ++i)
    if (g[i]) return false;
  if (g[5] == 0 && g[6] == 0) return g[7] <= 1;
  return (g[5] == 0 || g[5] == 0xFFFF) && IsIpv4Loopback((g[6] << 16) | g[7]);
}

// A name that Windows takes for a device in any folder: CON, PRN, AUX, NUL,
// COM1-9, LPT1-9, CONIN$, CONOUT$, also with an extension ("nul.txt").
bool IsDeviceName(const std::wstring& name) {
  const std::wstring base = text::Lower(text::TrimRight(name.substr(0, name.find(L'.')), L" "));
  for (const wchar_t* device : {L"con", L"prn", L"aux", L"nul", L"conin$", L"conout$"})
    if (base == device) return true;
  return base.size() == 4 && (text::StartsWith(base, L"com") || text::StartsWith(base, L"lpt")) && base[3] >= L'1' &&
         base[3] <= L'9';
}

// "\\server\x$\rest" of this computer becomes "x:\rest", another share of
// it "\\localhost\share\rest", so that every name of it compares alike.
std::wstring FromLocalServer(const std::wstring& s, const std::vector<std::wstring>& ownNames, CaseFold fold) {
  if (!text::StartsWith(s, L"\\\\")) return s;
  const size_t serverEnd = s.find(L'\\', 2);
  if (serverEnd == std::wstring::npos || !IsLocalServer(s.substr(2, serverEnd - 2), ownNames, fold)) return s;
  const size_t shareEnd = s.find(L'\\', serverEnd + 1);
  const std::wstring share = s.substr(serverEnd + 1, shareEnd == std::wstring::npos ? std::wstring::npos
                                                                                     : shareEnd - serverEnd - 1);
  if (share.size() != 2 || !IsLetter(share[0]) || share[1] != L'$') return L"\\\\localhost" + s.substr(serverEnd);
  return std::wstring(1, share[0]) + L":\\" + (shareEnd == std::wstring::npos ? std::wstring() : s.substr(shareEnd + 1));
}

}  // namespace

bool IsLocalServer(const std::wstring& server, const std::vector<std::wstring>& ownNames, CaseFold fold) {
  std::wstring s = server;
  if (!s.empty() && s.back() == L'.') s.pop_back();  // the root of a fully qualified name
  if (s.empty()) return false;
  std::wstring ascii = text::Lower(s);
  if (ascii == L"localhost" || text::EndsWith(ascii, L".localhost")) return true;
  uint32_t v4 = 0;
  if (ParseIpv4(ascii, &v4)) return IsIpv4Loopback(v4);
  // IPv6: bracketed, or written as a name ("0--1.ipv6-literal.net", "s" for the zone mark).
  if (ascii.size() > 2 && ascii.front() == L'[' && ascii.back() == L']') ascii = ascii.substr(1, ascii.size() - 2);
  const std::wstring literal = L".ipv6-literal.net";
  if (text::EndsWith(ascii, literal)) {
    ascii.resize(ascii.size() - literal.size());
    for (wchar_t& c : ascii) c = c == L'-' ? L':' : c == L's' ? L'%' : c;
  }
  const size_t zone = ascii.find(L'%');
  if (zone != std::wstring::npos) ascii.resize(zone);
  uint32_t v6[8];
  if (ParseIpv6(ascii, v6)) return IsIpv6Loopback(v6);
  const std::wstring folded = fold(s);
  for (std::wstring name : ownNames) {
    if (!name.empty() && name.back() == L'.') name.pop_back();
    if (!name.empty() && fold(name) == folded) return true;
  }
  return false;
}

bool HasStreamOrDeviceSyntax(const std::wstring& path) {
  const std::wstring s = text::ReplaceAll(text::Trim(path), L"/", L"\\");
  if (text::StartsWith(s, L"\\\\.\\") || text::StartsWith(s, L"\\??\\")) return true;
  for (const std::wstring& name : text::Split(s, L'\\'))
    if (text::EqualsNoCase(name, L"globalroot") || IsDeviceName(name)) return true;
  size_t from = 0;
  if (text::StartsWith(s, L"\\\\?\\")) {
    // Only the long forms of drive and network paths.
    const std::wstring inner = s.substr(4);
    if (text::StartsWith(text::Lower(inner.substr(0, 4)), L"unc\\")) from = 8;
    else if (IsDrivePrefix(inner) && (inner.size() == 2 || inner[2] == L'\\')) from = 4;
    else return true;
  }
  if (IsDrivePrefix(s.substr(from))) from += 2;
  for (size_t i = from; i < s.size(); ++i)
    if (s[i] < 32 || std::wstring(L":*?\"<>|").find(s[i]) != std::wstring::npos) return true;
  return false;
}

std::wstring GuardForm(const std::wstring& path, const std::vector<std::wstring>& ownNames) {
  return GuardForm(path, ownNames, text::Lower);
}

std::wstring GuardForm(const std::wstring& path, const std::vector<std::wstring>& ownNames, CaseFold fold) {
  std::wstring s = text::ReplaceAll(text::Trim(path), L"/", L"\\");
  // Namespace prefixes: the long-path and device forms name the same places.
  if (text::StartsWith(text::Lower(s), L"\\\\?\\unc\\")) s = L"\\\\" + s.substr(8);
  else if (text::StartsWith(s, L"\\\\?\\") || text::StartsWith(s, L"\\\\.\\") || text::StartsWith(s, L"\\??\\"))
    s = s.substr(4);
  s = FromLocalServer(s, ownNames, fold);

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
  return fold(form);
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

bool IsLocalHiddenShareForm(const std::wstring& form) {
  if (!text::StartsWith(form, L"\\\\")) return false;
  const std::vector<std::wstring> names = text::Split(form.substr(2), L'\\');
  return names.size() >= 2 && text::EqualsNoCase(names[0], L"localhost") && text::EndsWith(names[1], L"$");
}

bool ContainsGuardForm(const std::wstring& outer, const std::wstring& inner) {
  return text::StartsWith(inner, outer);
}
