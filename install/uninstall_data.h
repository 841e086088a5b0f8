// The uninstall data file ("Uninst<n>.dat"): what the setup stub leaves
// beside the installed product for its uninstaller. The setup stub writes
// it and the uninstaller reads it, both through this file. Pure logic.
//
//   EF BB BF 0D 0A                      UTF-8 byte-order mark, empty first line
//   [LocalizationUninstall]             sections only when they have entries,
//   Key0 = Please confirm               in this order; "key = value" lines;
//   [uConfig]                           every line ends with CR LF
//   AppName = Demo
//   InstallPath = C:\Program Files\Demo\   (a folder ends with a backslash)
//   RebootRequired = 0
//   SkipExtString = ini
//   InstallPathCreated = 1
//   [InstTasks]                         the install record (install_record.h)
//   AutoStartMenuGroup = CREATEFOLDER¶C:\...\Programs\Demo\ (a group)
//   [UninstTasks]                       the uninstall tasks, tokens expanded
//   [Files]                             CopyFile0, CopyFile1, ...: the installed files
//
// Keys are unique within a section without regard to case. A text of the
// localization group replaces an earlier one of the same key in place; the
// entries of [InstTasks] and [UninstTasks] are all kept: an entry whose
// name an earlier one took is written under the name and "#2" (or the next
// free number). Readers take every entry of those sections, duplicates
// included, so older files read the same. A reader removes blanks and tabs
// around values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "install/install_record.h"
#include "script/settings.h"

// The REG_SZ value of the product's uninstall entry (HKEY_LOCAL_MACHINE, which
// only administrators may change) that holds the SHA-256 digest of the data
// file's bytes, in lower-case hex. The uninstaller refuses data whose digest
// differs; an entry without the value is honoured as it is.
constexpr wchar_t kUninstallDataDigestValue[] = L"UninstallDataSha256";

struct UninstallContents {
  std::vector<TaskEntry> texts;             // [LocalizationUninstall]: key and text
  std::wstring appName;                     // [uConfig] AppName
  std::wstring installPath;                 // [uConfig] InstallPath
  int32_t rebootRequired = 0;               // [uConfig] RebootRequired
  std::wstring skipExtensions;              // [uConfig] SkipExtString
  bool installPathCreated = false;          // [uConfig] InstallPathCreated: the folder was new or empty
  std::vector<RecordEntry> installRecord;   // [InstTasks]
  std::vector<TaskEntry> uninstallTasks;    // [UninstTasks]
  std::vector<std::wstring> files;          // [Files]
};

// The whole file's bytes. Linear in the number of entries.
std::string UninstallDataBytes(const UninstallContents& contents);

// Where the file's bytes go, a piece at a time.
class ByteSink {
 public:
  virtual void Put(const std::string& bytes) = 0;

 protected:
  ~ByteSink() = default;
};

// The same bytes as UninstallDataBytes, written as they are made, so that
// an installation's files need not all be in memory: Begin writes
// everything up to the files (those of `contents.files` included), File
// one more entry of [Files] each, End the rest.
class UninstallDataWriter {
 public:
  explicit UninstallDataWriter(ByteSink* out) : out_(out) {}
  void Begin(const UninstallContents& contents);
  void File(const std::wstring& path);
  void End();

 private:
  void Line(const std::wstring& key, const std::wstring& value);
  void Section(const wchar_t* name, const std::vector<TaskEntry>& entries);
  void ReplacingSection(const wchar_t* name, const std::vector<TaskEntry>& entries);
  void KeepingSection(const wchar_t* name, const std::vector<TaskEntry>& entries);
  void Flush();

  ByteSink* out_;
  std::wstring pending_;  // text not yet given to `out_`
  size_t files_ = 0;
};

// Reads a file's bytes back (any file the INI reader reads).
UninstallContents ReadUninstallContents(const std::string& bytes);

// The key name of the product's uninstall entry (below the Uninstall key of
// HKEY_LOCAL_MACHINE's Software\Microsoft\Windows\CurrentVersion): the program name
// exactly as the setup script gives it. Empty when the setup writes no
// entry: the script names no icon for it ([uConfig] IconExtUninst = 1 or
// IconExtCustom = 1, not both), or the name is blank (the key would be the
// Uninstall key itself).
std::wstring UninstallEntryName(const SetupSettings& settings);

// The program an uninstall entry's UninstallString starts: the text
// between its first two double quotes, or (older entries) the whole text.
std::wstring UninstallProgram(const std::wstring& command);
