#include "uninstaller/data.h"

#include "common/text.h"
#include "script/ini.h"
#include "script/integer.h"

namespace {

std::vector<TaskEntry> ReadGroup(const wchar_t* group) {
  std::vector<TaskEntry> entries;
  IniSelectGroup(group);
  for (bool more = IniFirstKey(); more; more = IniNextKey()) entries.push_back({IniKeyName(), IniKeyValue()});
  return entries;
}

}  // namespace

bool ReadUninstallData(const std::wstring& path, UninstallData* data) {
  if (!IniOpen(path)) return false;

  IniSelectGroup(L"uConfig");
  data->appName = IniReadText(L"AppName", L"");
  data->installPath = IniReadText(L"InstallPath", L"");
  data->rebootRequired = ReadInteger(IniReadText(L"RebootRequired", L"0"));
  data->installPathCreated = ReadInteger(IniReadText(L"InstallPathCreated", L"0")) == 1;
  data->skipExtensions = IniReadText(L"SkipExtString", L"");

  IniSelectGroup(L"LocalizationUninstall");
  for (int i = 0; i < kUninstallTextCount; ++i) {
    const std::wstring text = IniReadText(L"Key" + text::Decimal(i), L"");
    data->texts[i] = text::ReplaceAllNoCase(text, L"$APPNAME$", data->appName);
  }

  data->installRecord = ReadGroup(L"InstTasks");
  data->uninstallTasks = ReadGroup(L"UninstTasks");
  for (const TaskEntry& file : ReadGroup(L"Files")) data->files.push_back(file.line);
  IniClose();
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
