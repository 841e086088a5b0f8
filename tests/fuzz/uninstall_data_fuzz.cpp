// Writes arbitrary uninstall data and reads the bytes back with the INI
// reader, as the uninstaller does. Input: UTF-8 lines "Skey=value", S
// choosing the section by its code modulo 6 (the sixth is a section the
// format does not write). What the format cannot carry is taken out first:
// line ends; blanks and tabs around keys and values; a key's "="; a key's
// leading ";" or "[".
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/text.h"
#include "install/uninstall_data.h"
#include "script/ini.h"

namespace {

constexpr int kSectionCount = sizeof UninstallData::kSections / sizeof UninstallData::kSections[0];

struct Entry {
  int section;
  std::wstring key, value;
};

std::wstring Carried(const std::wstring& s) {
  std::wstring r;
  for (wchar_t c : s)
    if (c != L'\r' && c != L'\n') r += c;
  return text::Trim(r);
}

std::wstring CarriedKey(const std::wstring& s) {
  std::wstring key = Carried(s);
  while (!key.empty() && (key[0] == L';' || key[0] == L'[' || key[0] == L' ' || key[0] == L'\t')) key.erase(0, 1);
  return key;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring input = text::FromUtf8(reinterpret_cast<const char*>(data), size);
  UninstallData written;
  std::vector<Entry> expected;  // per key (without regard to case): first spelling, last value
  for (const std::wstring& line : text::Split(input, L'\n')) {
    if (line.empty()) continue;
    const int section = static_cast<int>(line[0] % (kSectionCount + 1));
    const bool pair = line[0] >= 0xD800 && line[0] <= 0xDBFF && line.size() > 1;  // a code point beyond U+FFFF
    const std::wstring rest = line.substr(pair ? 2 : 1);
    const size_t equals = rest.find(L'=');
    const std::wstring key = CarriedKey(rest.substr(0, equals));
    const std::wstring value = equals == std::wstring::npos ? std::wstring() : Carried(rest.substr(equals + 1));
    written.Set(section < kSectionCount ? UninstallData::kSections[section] : L"Elsewhere", key, value);
    bool found = false;
    for (Entry& e : expected) {
      if (e.section == section && text::EqualsNoCase(e.key, key)) {
        e.value = value;
        found = true;
        break;
      }
    }
    if (!found) expected.push_back({section, key, value});
  }

  const std::string bytes = written.Bytes();
  if (bytes.compare(0, 5, "\xEF\xBB\xBF\r\n") != 0) __builtin_trap();
  for (size_t i = 0; i < bytes.size(); ++i) {
    const bool cr = bytes[i] == '\r', lf = bytes[i] == '\n';
    if (cr && (i + 1 == bytes.size() || bytes[i + 1] != '\n')) __builtin_trap();
    if (lf && bytes[i - 1] != '\r') __builtin_trap();
  }
  if (bytes.size() > 5 && bytes.compare(bytes.size() - 2, 2, "\r\n") != 0) __builtin_trap();

  IniOpenBytes(bytes);
  IniSelectGroup(L"");
  if (IniFirstKey()) __builtin_trap();  // nothing before the first section
  IniSelectGroup(L"Elsewhere");
  if (IniFirstKey()) __builtin_trap();
  for (int s = 0; s < kSectionCount; ++s) {
    IniSelectGroup(UninstallData::kSections[s]);
    bool more = IniFirstKey();
    for (const Entry& e : expected) {
      if (e.section != s) continue;
      if (!more || IniKeyName() != e.key || IniKeyValue() != e.value) __builtin_trap();
      if (IniReadText(e.key, L"\n") != e.value) __builtin_trap();
      more = IniNextKey();
    }
    if (more) __builtin_trap();
  }
  IniClose();
  return 0;
}
