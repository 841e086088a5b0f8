#include "install/uninstall_data.h"

#include "common/text.h"
#include "common/work_meter.h"
#include "script/ini.h"
#include "script/integer.h"

namespace {

// Keys (already in lower case), each with a number, in an open-addressing
// table that is never more than half full: finding and adding take constant
// time on average, so that a section is written in time linear in its
// entries. (std::unordered_map would bring the library's hashing, prime
// table and rehashing: 2 KB of the 32-bit stub, 4.5 KB of the 64-bit one.)
class KeyTable {
 public:
  // The number of a key; a key not yet in the table is added with 0 and
  // `added` set.
  size_t& At(const std::wstring& key, bool* added) {
    if (2 * (keys_.size() + 1) > slots_.size()) Grow();
    size_t slot = SlotOf(key);
    *added = !slots_[slot];
    if (*added) {
      keys_.push_back(key);
      numbers_.push_back(0);
      slots_[slot] = keys_.size();
    }
    return numbers_[slots_[slot] - 1];
  }

 private:
  // The slot that holds the key, or the free one where it would go.
  size_t SlotOf(const std::wstring& key) const {
    uint32_t hash = 2166136261u;  // FNV-1a over the UTF-16 units
    for (wchar_t c : key) hash = (hash ^ static_cast<uint16_t>(c)) * 16777619u;
    size_t slot = hash & (slots_.size() - 1);
    CountWork();
    while (slots_[slot] && keys_[slots_[slot] - 1] != key) {
      slot = (slot + 1) & (slots_.size() - 1);
      CountWork();
    }
    return slot;
  }

  void Grow() {
    slots_.assign(slots_.empty() ? 16 : 2 * slots_.size(), 0);
    for (size_t i = 0; i < keys_.size(); ++i) slots_[SlotOf(keys_[i])] = i + 1;
  }

  std::vector<size_t> slots_;  // 1 + the key's index; 0: free
  std::vector<std::wstring> keys_;
  std::vector<size_t> numbers_;
};

// Writes sections as "key = value" lines, each section only when it has
// entries, and keeps keys unique within it.
class Writer {
 public:
  Writer() : body_(L"\r\n") {}

  // A section's entries whose later duplicates replace earlier values.
  void ReplacingSection(const wchar_t* name, const std::vector<TaskEntry>& entries) {
    std::vector<TaskEntry> kept;
    KeyTable at;  // the entry's place in `kept`
    for (const TaskEntry& e : entries) {
      bool added;
      size_t& place = at.At(text::Lower(e.name), &added);
      if (added) {
        place = kept.size();
        kept.push_back(e);
      } else {
        kept[place].line = e.line;
      }
    }
    Section(name, kept);
  }

  // A section every entry of which is kept, under a key of its own: the
  // name, or the name and "#2" (or the next number whose key is free).
  void KeepingSection(const wchar_t* name, const std::vector<TaskEntry>& entries) {
    std::vector<TaskEntry> kept;
    // The keys given, each with the number its name tries next: the keys of
    // the numbers below it are all taken already.
    KeyTable taken;
    for (const TaskEntry& e : entries) {
      const std::wstring lower = text::Lower(e.name);
      bool added;
      const size_t next = taken.At(lower, &added);
      if (added) {
        kept.push_back(e);
        continue;
      }
      size_t n = next < 2 ? 2 : next;
      while (taken.At(lower + L"#" + text::DecimalUnsigned(n), &added), !added) ++n;
      taken.At(lower, &added) = n + 1;
      kept.push_back({e.name + L"#" + text::DecimalUnsigned(n), e.line});
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
      CountWork();
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

std::wstring UninstallProgram(const std::wstring& command) {
  const std::wstring line = text::Trim(command);
  if (line.empty() || line[0] != L'"') return line;
  const size_t close = line.find(L'"', 1);
  return line.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1);
}
