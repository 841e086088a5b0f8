#include "script/localization.h"

#include "common/text.h"
#include "script/added_texts.h"
#include "script/ini.h"

void ReadTexts(IniDocument& file, TextTable* table) {
  file.SelectGroup(L"LocalizationStub");
  static_assert(kFirstAddedKey + sizeof kAddedTexts / sizeof *kAddedTexts == kTextCount, "one text per added key");
  for (int key = 0; key < kTextCount; ++key) {
    std::wstring& entry = table->keys[key];
    entry = file.ReadText(L"Key" + text::Decimal(key), L"");
    if (key >= kFirstAddedKey && entry.empty()) entry = kAddedTexts[key - kFirstAddedKey];
  }
  file.SelectGroup(L"LocalizationUninstall");
  table->uninstall.clear();
  for (bool more = file.FirstKey(); more; more = file.NextKey())
    table->uninstall.push_back({file.KeyName(), file.KeyValue()});
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
