#include "script/localization.h"

#include "common/text.h"
#include "script/added_texts.h"
#include "script/ini.h"

namespace {
std::wstring* Table() {
  static std::wstring* table = new std::wstring[kTextCount];
  return table;
}
}  // namespace

void ReadTexts() {
  IniSelectGroup(L"LocalizationStub");
  static_assert(kFirstAddedKey + sizeof kAddedTexts / sizeof *kAddedTexts == kTextCount, "one text per added key");
  for (int key = 0; key < kTextCount; ++key) {
    const std::wstring name = L"Key" + text::Decimal(key);
    Table()[key] = IniReadText(name, L"");
    if (key >= kFirstAddedKey && Table()[key].empty()) Table()[key] = kAddedTexts[key - kFirstAddedKey];
  }
  IniSelectGroup(L"LocalizationUninstall");
  UninstallTexts().clear();
  for (bool more = IniFirstKey(); more; more = IniNextKey()) UninstallTexts().push_back({IniKeyName(), IniKeyValue()});
}

const std::wstring& Text(int key) {
  static const std::wstring* empty = new std::wstring;
  return key >= 0 && key < kTextCount ? Table()[key] : *empty;
}

void SetText(int key, const std::wstring& value) {
  if (key >= 0 && key < kTextCount) Table()[key] = value;
}

std::vector<TaskEntry>& UninstallTexts() {
  static std::vector<TaskEntry>* list = new std::vector<TaskEntry>;
  return *list;
}

size_t PreferredLanguage(const std::vector<std::wstring>& names, const std::vector<std::wstring>& systemNames) {
  auto same = [](const std::wstring& a, const std::wstring& b) {
    return !text::Trim(a).empty() && text::EqualsNoCase(text::Trim(a), text::Trim(b));
  };
  for (size_t i = 0; i < names.size(); ++i)
    for (const std::wstring& system : systemNames)
      if (same(names[i], system)) return i;
  for (size_t i = 0; i < names.size(); ++i)
    if (same(names[i], L"English")) return i;
  return 0;
}
