// Task lines: a keyword and its fields separated by the pilcrow (U+00B6),
// numbered from 1, keyword first. Fields are not trimmed. Pure logic.
#pragma once

#include <string>
#include <vector>

constexpr wchar_t kPilcrow = 0x00B6;

class TaskFields {
 public:
  explicit TaskFields(const std::wstring& line);
  // Field n (1 is the keyword); the empty text beyond the last one.
  const std::wstring& operator[](size_t n) const;
  size_t count() const { return fields_.size(); }

 private:
  std::vector<std::wstring> fields_;
  std::wstring none_;  // what a field beyond the last reads: always empty
};

// Joins fields with the pilcrow.
std::wstring JoinTaskLine(const std::vector<std::wstring>& fields);

// The keywords of field 1, compared exactly, case included.
namespace keyword {
constexpr wchar_t kRun[] = L"RUN";
constexpr wchar_t kRegAddValue[] = L"REGADDVALUE";
constexpr wchar_t kRegAddKey[] = L"REGADDKEY";
constexpr wchar_t kRegDelValue[] = L"REGDELVALUE";
constexpr wchar_t kRegDelKey[] = L"REGDELKEY";
constexpr wchar_t kNormalLink[] = L"NORMALLINK";
constexpr wchar_t kInternetLink[] = L"INTERNETLINK";
constexpr wchar_t kDeleteFile[] = L"DELETEFILE";
constexpr wchar_t kMoveFile[] = L"MOVEFILE";
constexpr wchar_t kCopyFile[] = L"COPYFILE";
constexpr wchar_t kCreateFolder[] = L"CREATEFOLDER";
constexpr wchar_t kDeleteFolder[] = L"DELETEFOLDER";
constexpr wchar_t kAssociate[] = L"ASSOCIATEEXTENSION";
constexpr wchar_t kDisassociate[] = L"DISASSOCIATEEXTENSION";
constexpr wchar_t kStartService[] = L"STARTSERVICE";
constexpr wchar_t kInstallService[] = L"INSTALLSERVICE";
constexpr wchar_t kStopService[] = L"STOPSERVICE";
constexpr wchar_t kRemoveService[] = L"REMOVESERVICE";
constexpr wchar_t kRegisterServer[] = L"REGISTERSERVER";
constexpr wchar_t kUnregisterServer[] = L"UNREGISTERSERVER";
constexpr wchar_t kDownloadFile[] = L"DOWNLOADFILE";
constexpr wchar_t kInstallFont[] = L"INSTALLFONT";
constexpr wchar_t kRestart[] = L"!REBOOT_I";
constexpr wchar_t kKillTask[] = L"KILLTASK";         // before anything is unpacked
constexpr wchar_t kLaunchBrowser[] = L"LAUNCHBROWSER";  // uninstall tasks only
}  // namespace keyword
