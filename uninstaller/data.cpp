#include "uninstaller/data.h"

#include "common/sha256.h"
#include "common/text.h"
#include "script/ini.h"

bool ReadRemovalData(const std::wstring& path, RemovalData* data) {
  std::string bytes;
  if (!ReadWholeFile(path, &bytes)) return false;
  data->digest = Sha256Hex(bytes.data(), bytes.size());
  data->contents = ReadUninstallContents(bytes);
  const UninstallContents& c = data->contents;
  for (int i = 0; i < kUninstallTextCount; ++i) {
    const std::wstring key = L"Key" + text::Decimal(i);
    std::wstring found;
    // The first entry of the key counts, as with every lookup of the reader.
    for (const TaskEntry& t : c.texts) {
      if (text::EqualsNoCase(t.name, key)) {
        found = t.line;
        break;
      }
    }
    data->texts[i] = text::ReplaceAllNoCase(found, L"$APPNAME$", c.appName);
  }
  return true;
}

std::vector<std::wstring> SkipList(const std::wstring& skipExtensions) {
  std::vector<std::wstring> list;
  if (skipExtensions.empty()) return list;
  for (const std::wstring& piece : text::Split(skipExtensions, L',')) {
    const std::wstring extension = text::Lower(text::Trim(piece, L" "));
    if (!extension.empty()) list.push_back(extension);
  }
  return list;
}
