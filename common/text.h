// Text helpers shared by every part of the system. Pure logic: no Windows
// calls, compiled natively too.
//
// Texts are std::wstring holding UTF-16 code units on every platform (on
// Linux, where wchar_t is 32 bits wide, each element still holds one UTF-16
// code unit), so that the behaviour is the same in native tests and on Windows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace text {

// Blanks and tabs, the white space that the INI reader and the task fields trim.
constexpr wchar_t kBlanks[] = L" \t";

std::wstring Trim(const std::wstring& s, const wchar_t* chars = kBlanks);
std::wstring TrimLeft(const std::wstring& s, const wchar_t* chars = kBlanks);
std::wstring TrimRight(const std::wstring& s, const wchar_t* chars = kBlanks);

// Lower case for A-Z and the Latin-1 capitals; everything else unchanged.
wchar_t LowerChar(wchar_t c);
std::wstring Lower(const std::wstring& s);
bool EqualsNoCase(const std::wstring& a, const std::wstring& b);

bool StartsWith(const std::wstring& s, const std::wstring& prefix);
bool EndsWith(const std::wstring& s, const std::wstring& suffix);
bool EndsWithNoCase(const std::wstring& s, const std::wstring& suffix);

// Appends a backslash unless the text already ends with one.
std::wstring WithBackslash(const std::wstring& s);

// Replaces every occurrence, scanning left to right over non-overlapping
// matches. An empty pattern leaves the text unchanged.
std::wstring ReplaceAll(const std::wstring& s, const std::wstring& what, const std::wstring& with);
std::wstring ReplaceAllNoCase(const std::wstring& s, const std::wstring& what, const std::wstring& with);
bool ContainsNoCase(const std::wstring& s, const std::wstring& what);

// Splits at every separator; n separators give n + 1 pieces.
std::vector<std::wstring> Split(const std::wstring& s, wchar_t separator);
std::wstring Join(const std::vector<std::wstring>& pieces, wchar_t separator);

// The text after the last "\" or "/", and the text up to and including it.
std::wstring FilePart(const std::wstring& path);
std::wstring FolderPart(const std::wstring& path);

std::wstring Decimal(int64_t n);
std::wstring DecimalUnsigned(uint64_t n);

// UTF-8 and UTF-16. Malformed input gives U+FFFD for each bad sequence.
std::wstring FromUtf8(const char* bytes, size_t length);
std::wstring FromUtf8(const std::string& bytes);
std::string ToUtf8(const std::wstring& s);
// ISO 8859-1: every byte is the character of the same number.
std::wstring FromLatin1(const char* bytes, size_t length);

}  // namespace text
