#include "common/text.h"

#include <cwchar>

namespace text {

namespace {
bool IsOneOf(wchar_t c, const wchar_t* chars) {
  for (; *chars; ++chars)
    if (*chars == c) return true;
  return false;
}
}  // namespace

std::wstring TrimLeft(const std::wstring& s, const wchar_t* chars) {
  size_t b = 0;
  while (b < s.size() && IsOneOf(s[b], chars)) ++b;
  return s.substr(b);
}

std::wstring TrimRight(const std::wstring& s, const wchar_t* chars) {
  size_t e = s.size();
  while (e > 0 && IsOneOf(s[e - 1], chars)) --e;
  return s.substr(0, e);
}

std::wstring Trim(const std::wstring& s, const wchar_t* chars) { return TrimRight(TrimLeft(s, chars), chars); }

wchar_t LowerChar(wchar_t c) {
  if (c >= L'A' && c <= L'Z') return static_cast<wchar_t>(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<wchar_t>(c + 32);
  return c;
}

std::wstring Lower(const std::wstring& s) {
  std::wstring r(s);
  for (auto& c : r) c = LowerChar(c);
  return r;
}

bool EqualsNoCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerChar(a[i]) != LowerChar(b[i])) return false;
  return true;
}

bool StartsWith(const std::wstring& s, const std::wstring& prefix) {
  return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWith(const std::wstring& s, const std::wstring& suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool EndsWithNoCase(const std::wstring& s, const std::wstring& suffix) {
  return s.size() >= suffix.size() && EqualsNoCase(s.substr(s.size() - suffix.size()), suffix);
}

std::wstring WithBackslash(const std::wstring& s) { return EndsWith(s, L"\\") ? s : s + L"\\"; }

namespace {
std::wstring ReplaceImpl(const std::wstring& s, const std::wstring& what, const std::wstring& with, bool noCase) {
  if (what.empty()) return s;
  const std::wstring hay = noCase ? Lower(s) : s;
  const std::wstring needle = noCase ? Lower(what) : what;
  std::wstring out;
  size_t from = 0;
  for (;;) {
    size_t at = hay.find(needle, from);
    if (at == std::wstring::npos) break;
    out.append(s, from, at - from);
    out += with;
    from = at + what.size();
  }
  out.append(s, from, std::wstring::npos);
  return out;
}
}  // namespace

std::wstring ReplaceAll(const std::wstring& s, const std::wstring& what, const std::wstring& with) {
  return ReplaceImpl(s, what, with, false);
}

std::wstring ReplaceAllNoCase(const std::wstring& s, const std::wstring& what, const std::wstring& with) {
  return ReplaceImpl(s, what, with, true);
}

bool ContainsNoCase(const std::wstring& s, const std::wstring& what) {
  return Lower(s).find(Lower(what)) != std::wstring::npos;
}

std::vector<std::wstring> Split(const std::wstring& s, wchar_t separator) {
  std::vector<std::wstring> pieces;
  size_t from = 0;
  for (;;) {
    size_t at = s.find(separator, from);
    if (at == std::wstring::npos) break;
    pieces.push_back(s.substr(from, at - from));
    from = at + 1;
  }
  pieces.push_back(s.substr(from));
  return pieces;
}

std::wstring Join(const std::vector<std::wstring>& pieces, wchar_t separator) {
  std::wstring out;
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (i) out += separator;
    out += pieces[i];
  }
  return out;
}

std::wstring FilePart(const std::wstring& path) {
  size_t at = path.find_last_of(L"\\/");
  return at == std::wstring::npos ? path : path.substr(at + 1);
}

std::wstring FolderPart(const std::wstring& path) {
  size_t at = path.find_last_of(L"\\/");
  return at == std::wstring::npos ? std::wstring() : path.substr(0, at + 1);
}

std::wstring DecimalUnsigned(uint64_t n) {
  wchar_t buf[24];
  size_t i = sizeof buf / sizeof buf[0];
  buf[--i] = 0;
  // Divided by 10 a 16-bit piece at a time, in 32-bit arithmetic: a 32-bit
  // program needs no helper for 64-bit division.
  uint16_t pieces[4] = {static_cast<uint16_t>(n >> 48), static_cast<uint16_t>(n >> 32),
                        static_cast<uint16_t>(n >> 16), static_cast<uint16_t>(n)};
  do {
    uint32_t rest = 0;
    for (uint16_t& piece : pieces) {
      rest = rest << 16 | piece;
      piece = static_cast<uint16_t>(rest / 10);
      rest %= 10;
    }
    buf[--i] = static_cast<wchar_t>(L'0' + rest);
  } while (pieces[0] | pieces[1] | pieces[2] | pieces[3]);
  return std::wstring(buf + i);
}

std::wstring Decimal(int64_t n) {
  if (n >= 0) return DecimalUnsigned(static_cast<uint64_t>(n));
  return L"-" + DecimalUnsigned(0 - static_cast<uint64_t>(n));
}

std::wstring FromUtf8(const char* bytes, size_t length) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes);
  std::wstring out;
  out.reserve(length);
  size_t i = 0;
  while (i < length) {
    unsigned c = p[i];
    unsigned cp;
    size_t extra;
    if (c < 0x80) {
      out += static_cast<wchar_t>(c);
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      cp = c & 0x1F, extra = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      cp = c & 0x0F, extra = 2;
    } else if (c >= 0xF0 && c <= 0xF4) {
      cp = c & 0x07, extra = 3;
    } else {
      out += static_cast<wchar_t>(0xFFFD);
      ++i;
      continue;
    }
    size_t j = 1;
    for (; j <= extra && i + j < length; ++j) {
      unsigned cc = p[i + j];
      if ((cc & 0xC0) != 0x80) break;
      cp = (cp << 6) | (cc & 0x3F);
    }
    bool overlong = (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000);
    if (j <= extra || overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out += static_cast<wchar_t>(0xFFFD);
      i += j;  // skip the lead byte and the continuation bytes that fitted
      continue;
    }
    i += extra + 1;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<wchar_t>(0xD800 + (cp >> 10));
      out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<wchar_t>(cp);
    }
  }
  return out;
}

std::wstring FromUtf8(const std::string& bytes) { return FromUtf8(bytes.data(), bytes.size()); }

std::string ToUtf8(const std::wstring& s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t c = static_cast<uint32_t>(s[i]) & 0xFFFF;
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size()) {
      uint32_t d = static_cast<uint32_t>(s[i + 1]) & 0xFFFF;
      if (d >= 0xDC00 && d <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (d - 0xDC00);
        ++i;
      }
    }
    if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;  // an unpaired surrogate
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::wstring FromLatin1(const char* bytes, size_t length) {
  std::wstring out(length, L'\0');
  for (size_t i = 0; i < length; ++i) out[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]));
  return out;
}

}  // namespace text
