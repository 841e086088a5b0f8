#include "install/uninstall_data.h"

#include "common/text.h"

constexpr const wchar_t* UninstallData::kSections[];

void UninstallData::Set(const std::wstring& section, const std::wstring& key, const std::wstring& value) {
  for (Entry& e : entries_) {
    if (e.section == section && text::EqualsNoCase(e.key, key)) {
      e.value = value;
      return;
    }
  }
  entries_.push_back({section, key, value});
}

std::string UninstallData::Bytes() const {
  std::wstring body = L"\r\n";
  for (const wchar_t* section : kSections) {
    bool started = false;
    for (const Entry& e : entries_) {
      if (e.section != section) continue;
      if (!started) body += L"[" + e.section + L"]\r\n";
      started = true;
      body += e.key + L" = " + e.value + L"\r\n";
    }
  }
  return "\xEF\xBB\xBF" + text::ToUtf8(body);
}
