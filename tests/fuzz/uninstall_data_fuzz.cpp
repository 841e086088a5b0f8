// Writes arbitrary uninstall data and reads the bytes back as the
// uninstaller does. Input: UTF-8 lines "Skey=value", S choosing by its code
// modulo 5 what the line adds: a text, an install record entry (the value
// read as a stored record line), an uninstall task, an installed file, or
// the program name. What the format cannot carry is taken out first: line
// ends; blanks and tabs around keys and values; a key's "="; a key's
// leading ";" or "[".
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/text.h"
#include "install/uninstall_data.h"

namespace {

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

bool SameRecord(const Record& a, const Record& b) {
  return a.kind == b.kind && a.path == b.path && a.programFile == b.programFile && a.extension == b.extension &&
         a.service == b.service && a.root == b.root && a.keyPath == b.keyPath && a.valueName == b.valueName;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring input = text::FromUtf8(reinterpret_cast<const char*>(data), size);
  UninstallContents written;
  std::vector<TaskEntry> texts;  // per key (without regard to case): first spelling, last value
  for (const std::wstring& line : text::Split(input, L'\n')) {
    if (line.empty()) continue;
    const int what = static_cast<int>(line[0] % 5);
    const bool pair = line[0] >= 0xD800 && line[0] <= 0xDBFF && line.size() > 1;  // a code point beyond U+FFFF
    const std::wstring rest = line.substr(pair ? 2 : 1);
    const size_t equals = rest.find(L'=');
    const std::wstring key = CarriedKey(rest.substr(0, equals));
    const std::wstring value = equals == std::wstring::npos ? std::wstring() : Carried(rest.substr(equals + 1));
    if (key.empty()) continue;
    switch (what) {
      case 0: {
        written.texts.push_back({key, value});
        bool found = false;
        for (TaskEntry& t : texts)
          if (text::EqualsNoCase(t.name, key)) t.line = value, found = true;
        if (!found) texts.push_back({key, value});
        break;
      }
      case 1: written.installRecord.push_back({key, ParseRecord(value)}); break;
      case 2: written.uninstallTasks.push_back({key, value}); break;
      case 3: written.files.push_back(value); break;
      default: written.appName = value; break;
    }
  }

  const std::string bytes = UninstallDataBytes(written);
  if (bytes.compare(0, 5, "\xEF\xBB\xBF\r\n") != 0) __builtin_trap();
  for (size_t i = 0; i < bytes.size(); ++i) {
    const bool cr = bytes[i] == '\r', lf = bytes[i] == '\n';
    if (cr && (i + 1 == bytes.size() || bytes[i + 1] != '\n')) __builtin_trap();
    if (lf && bytes[i - 1] != '\r') __builtin_trap();
  }

  const UninstallContents back = ReadUninstallContents(bytes);
  if (back.appName != written.appName || back.files != written.files) __builtin_trap();
  if (back.texts.size() != texts.size()) __builtin_trap();
  for (size_t i = 0; i < texts.size(); ++i)
    if (back.texts[i].name != texts[i].name || back.texts[i].line != texts[i].line) __builtin_trap();
  // Every task and record comes back, in order, whatever its name.
  if (back.uninstallTasks.size() != written.uninstallTasks.size()) __builtin_trap();
  for (size_t i = 0; i < written.uninstallTasks.size(); ++i)
    if (back.uninstallTasks[i].line != written.uninstallTasks[i].line) __builtin_trap();
  if (back.installRecord.size() != written.installRecord.size()) __builtin_trap();
  for (size_t i = 0; i < written.installRecord.size(); ++i) {
    // What the format keeps of a record is what formatting it gives.
    const Record kept = ParseRecord(Carried(FormatRecord(written.installRecord[i].record)));
    if (!SameRecord(back.installRecord[i].record, kept)) __builtin_trap();
  }
  return 0;
}
