#include "install/uninstall_data.h"

#include <unordered_map>
#include <unordered_set>

#include "common/text.h"
#include "script/ini.h"
#include "script/integer.h"

namespace {

// Writes sections as "key = value" lines, each section only when it has
// entries, and keeps keys unique within it.
class Writer {
 public:
  Writer() : body_(L"\r\n") {}

  // A section's entries whose later duplicates replace earlier values.
  void ReplacingSection(const wchar_t* name, const std::vector<TaskEntry>& entries) {
    std::vector<TaskEntry> kept;
    std::unordered_map<std::wstring, size_t> at;
    for (const TaskEntry& e : entries) {
      auto found = at.emplace(text::Lower(e.name), kept.size());
      if (found.second) kept.push_back(e);
      else kept[found.first->second].line = e.line;
    }
    Section(name, kept);
  }

  // A section every entry of which is kept, under a key of its own.
  void KeepingSection(const wchar_t* name, const std::vector<TaskEntry>& entries) {
    std::vector<TaskEntry> kept;
    std::unordered_set<std::wstring> taken;
    for (const TaskEntry& e : entries) {
      std::wstring key = e.name;
      for (unsigned n = 2; !taken.insert(text::Lower(key)).second; ++n) key = e.name + L"#" + text::DecimalUnsigned(n);
      kept.push_back({key, e.line});
    }
    Section(name, kept);
  }

  std::string Bytes() const { return "\xEF\xBB\xBF" + text::ToUtf8(body_); }

 private:
  void Section(const wchar_t* name, const std::vector<TaskEntry>& entries) {
    if (entries.empty()) return;
    body_ += L"[";
    body_ += name;
    body_ += L"]\r\n";
    for (const TaskEntry& e : entries) {
      body_ += e.name;
      body_ += L" = ";
      body_ += e.line;
      body_ += L"\r\n";
    }
  }

  std::wstring body_;
};

std::vector<TaskEntry> Entries(IniDocument& ini, const wchar_t* group) {
  std::vector<TaskEntry> entries;
  ini.SelectGroup(group);
  for (bool more = ini.FirstKey(); more; more = ini.NextKey()) entries.push_back({ini.KeyName(), ini.KeyValue()});
  return entries;
}

}  // namespace

std::string UninstallDataBytes(const UninstallContents& c) {
  Writer w;
  w.ReplacingSection(L"LocalizationUninstall", c.texts);
  w.ReplacingSection(L"uConfig", {{L"AppName", c.appName},
                                  {L"InstallPath", c.installPath},
                                  {L"RebootRequired", text::Decimal(c.rebootRequired)},
                                  {L"SkipExtString", c.skipExtensions},
                                  {L"InstallPathCreated", c.installPathCreated ? L"1" : L"0"}});
  std::vector<TaskEntry> record;
  record.reserve(c.installRecord.size());
  for (const RecordEntry& e : c.installRecord) record.push_back({e.name, FormatRecord(e.record)});
  w.KeepingSection(L"InstTasks", record);
  w.KeepingSection(L"UninstTasks", c.uninstallTasks);
  std::vector<TaskEntry> files;
  files.reserve(c.files.size());
  for (size_t i = 0; i < c.files.size(); ++i) files.push_back({L"CopyFile" + text::DecimalUnsigned(i), c.files[i]});
  w.KeepingSection(L"Files", files);
  return w.Bytes();
}

UninstallContents ReadUninstallContents(const std::string& bytes) {
  IniDocument ini;
  ini.Parse(bytes.data(), bytes.size());
  UninstallContents c;
  c.texts = Entries(ini, L"LocalizationUninstall");
  ini.SelectGroup(L"uConfig");
  c.appName = ini.ReadText(L"AppName", L"");
  c.installPath = ini.ReadText(L"InstallPath", L"");
  c.rebootRequired = ReadInteger(ini.ReadText(L"RebootRequired", L"0"));
  c.skipExtensions = ini.ReadText(L"SkipExtString", L"");
  c.installPathCreated = ReadInteger(ini.ReadText(L"InstallPathCreated", L"0")) == 1;
  for (const TaskEntry& e : Entries(ini, L"InstTasks")) c.installRecord.push_back({e.name, ParseRecord(e.line)});
  c.uninstallTasks = Entries(ini, L"UninstTasks");
  for (const TaskEntry& e : Entries(ini, L"Files")) c.files.push_back(e.line);
  return c;
}
