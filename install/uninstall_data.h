// The uninstall data file's format, as the setup stub writes it and the
// uninstaller reads it (with the INI reader). Pure logic.
//
//   EF BB BF 0D 0A                      UTF-8 byte-order mark, empty first line
//   [LocalizationUninstall]             sections only when they have entries,
//   Key0 = Please confirm               in this order; "key = value" lines;
//   [uConfig]                           every line ends with CR LF
//   AppName = Demo
//   InstallPath = C:\Program Files\Demo\   (a folder ends with a backslash)
//   ...
//   [InstTasks]  [UninstTasks]  [Files] (CopyFile0, CopyFile1, ...)
#pragma once

#include <string>
#include <vector>

class UninstallData {
 public:
  // The sections in the order they are written.
  static constexpr const wchar_t* kSections[] = {L"LocalizationUninstall", L"uConfig", L"InstTasks", L"UninstTasks",
                                                 L"Files"};

  // Keys are unique within a section without regard to case: writing a key
  // that is there replaces its value in place.
  void Set(const std::wstring& section, const std::wstring& key, const std::wstring& value);
  // The whole file's bytes.
  std::string Bytes() const;

 private:
  struct Entry {
    std::wstring section, key, value;
  };
  std::vector<Entry> entries_;
};
