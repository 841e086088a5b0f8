#include "install/uninstall_data.h"

#include "common/text.h"
#include "install/key_table.h"
#include "common/work_meter.h"
#include "script/ini.h"
#include "script/integer.h"

namespace {

std::vector<TaskEntry> Entries(IniDocument& ini, const wchar_t* group) {
  std::vector<TaskEntry> entries;
  ini.SelectGroup(group);
  for (bool more = ini.FirstKey(); more; more = ini.NextKey()) entries.push_back({ini.KeyName(), ini.KeyValue()});
  return entries;
}

// Text goes out as UTF-8 in pieces of about this many characters; a piece
// ends at a line's end, so no character is split.
constexpr size_t kPendingChars = 16384;

class StringSink : public ByteSink {
 public:
  void Put(const std::string& bytes) override { all += bytes; }
  std::string all;
};

}  // namespace

void UninstallDataWriter::Flush() {
  if (pending_.empty()) return;
  out_->Put(text::ToUtf8(pending_));
  pending_.clear();
}

void UninstallDataWriter::Line(const std::wstring& key, const std::wstring& value) {
  CountWork();
  pending_ += key;
  pending_ += L" = ";
  pending_ += value;
  pending_ += L"\r\n";
  if (pending_.size() >= kPendingChars) Flush();
}

// Sections are written only when they have entries.
void UninstallDataWriter::Section(const wchar_t* name, const std::vector<TaskEntry>& entries) {
  if (entries.empty()) return;
  pending_ += L"[";
  pending_ += name;
  pending_ += L"]\r\n";
  for (const TaskEntry& e : entries) Line(e.name, e.line);
}

// A section's entries whose later duplicates replace earlier values.
void UninstallDataWriter::ReplacingSection(const wchar_t* name, const std::vector<TaskEntry>& entries) {
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
void UninstallDataWriter::KeepingSection(const wchar_t* name, const std::vector<TaskEntry>& entries) {
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

void UninstallDataWriter::Begin(const UninstallContents& c) {
  out_->Put("\xEF\xBB\xBF");
  pending_ = L"\r\n";
  ReplacingSection(L"LocalizationUninstall", c.texts);
  ReplacingSection(L"uConfig", {{L"AppName", c.appName},
                                {L"InstallPath", c.installPath},
                                {L"RebootRequired", text::Decimal(c.rebootRequired)},
                                {L"SkipExtString", c.skipExtensions},
                                {L"InstallPathCreated", c.installPathCreated ? L"1" : L"0"}});
  std::vector<TaskEntry> record;
  record.reserve(c.installRecord.size());
  for (const RecordEntry& e : c.installRecord) record.push_back({e.name, FormatRecord(e.record)});
  KeepingSection(L"InstTasks", record);
  KeepingSection(L"UninstTasks", c.uninstallTasks);
  for (const std::wstring& f : c.files) File(f);
}

// The keys CopyFile0, CopyFile1, ... are unique by their numbers.
void UninstallDataWriter::File(const std::wstring& path) {
  if (!files_) pending_ += L"[Files]\r\n";
  Line(L"CopyFile" + text::DecimalUnsigned(files_++), path);
}

void UninstallDataWriter::End() { Flush(); }

std::string UninstallDataBytes(const UninstallContents& c) {
  StringSink bytes;
  UninstallDataWriter w(&bytes);
  w.Begin(c);
  w.End();
  return bytes.all;
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

std::wstring UninstallEntryName(const SetupSettings& s) {
  const bool icon = (s.iconFromUninstaller == 1 && s.iconFromCustomFile == 0) ||
                    (s.iconFromUninstaller == 0 && s.iconFromCustomFile == 1);
  if (!icon || text::Trim(s.programName, L" ").empty()) return std::wstring();
  return s.programName;
}
