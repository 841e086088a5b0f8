#include "script/tokens.h"

#include "common/prelude.h"
#include <shlobj.h>

#include "common/handles.h"
#include "common/system_api.h"
#include "common/text.h"
#include "script/settings.h"
#include "script/shared/shell_folders.h"
#include "script/token_rules.h"
#include "startup/os_version.h"
#include "startup/process.h"

namespace {

constexpr wchar_t kQuickLaunch[] = L"Microsoft\\Internet Explorer\\Quick Launch\\";

// A shell folder with something appended; empty when the folder is unknown.
std::wstring Below(int csidl, const wchar_t* rest) {
  std::wstring base = ShellFolder(csidl);
  return base.empty() ? base : base + rest;
}

class SystemValues final : public TokenValues {
 public:
  explicit SystemValues(const InstallFolders& folders) : folders_(folders) {}
  std::wstring PathToken(int index) const override { return PathTokenValue(index, folders_); }
  std::wstring TextVariable(int index) const override {
    const SetupSettings& s = Settings();
    switch (index) {
      case 0: return s.programName;
      case 1: return s.programVersion;
      case 2: return s.companyName;
      case 3: return s.website;
      case 4: return s.supportEmail;
      default: return std::wstring();
    }
  }

 private:
  const InstallFolders& folders_;
};

}  // namespace

std::wstring PathTokenValue(int index, const InstallFolders& folders) {
  const int os = Process().osVersion;
  const bool old = os < kOs2000;                   // NT 4.0, 98 and Me
  const bool nineX = os == kOs98 || os == kOsMe;   // the "all users" folders are the user's own
  switch (index) {
    case 0: return old ? text::WithBackslash(DrivePrefix()) + L"Program Files\\" : ShellFolder(CSIDL_PROGRAM_FILES);
    case 1: return old ? text::WithBackslash(DrivePrefix()) : ShellFolder(CSIDL_WINDOWS).substr(0, 3);
    case 2: return folders.install;
    case 3:
      if (os == kOsNt4) return DrivePrefix() + L"WINNT\\";
      if (nineX) return DrivePrefix() + L"WINDOWS\\";
      return ShellFolder(CSIDL_WINDOWS);
    case 4:
      if (os == kOsNt4) return DrivePrefix() + L"WINNT\\System32\\";
      if (nineX) return DrivePrefix() + L"WINDOWS\\System32\\";
      return ShellFolder(CSIDL_SYSTEM);
    case 5: return PureBasicFolder();
    case 6: return nineX ? Below(CSIDL_APPDATA, kQuickLaunch) : Below(CSIDL_COMMON_APPDATA, kQuickLaunch);
    case 7: return Below(CSIDL_APPDATA, kQuickLaunch);
    case 8: return ShellFolder(nineX ? CSIDL_PROGRAMS : CSIDL_COMMON_PROGRAMS);
    case 9: return ShellFolder(CSIDL_PROGRAMS);
    case 10: return ShellFolder(nineX ? CSIDL_DESKTOPDIRECTORY : CSIDL_COMMON_DESKTOPDIRECTORY);
    case 11: return ShellFolder(CSIDL_DESKTOPDIRECTORY);
    case 12: return ShellFolder(nineX ? CSIDL_STARTMENU : CSIDL_COMMON_STARTMENU);
    case 13: return ShellFolder(CSIDL_STARTMENU);
    case 14: return ShellFolder(nineX ? CSIDL_PERSONAL : CSIDL_COMMON_DOCUMENTS);
    case 15: return ShellFolder(CSIDL_PERSONAL);
    case 16: return TempTokenFolder();
    case 17: return folders.group;
    default: return std::wstring();
  }
}

std::wstring PureBasicFolder() {
  // Bits 16 to 23 of GetVersion: the classes root, else the machine's classes.
  const bool classesRoot = (GetVersion() & 0x00FF0000) != 0;
  HKEY root = classesRoot ? HKEY_CLASSES_ROOT : HKEY_LOCAL_MACHINE;
  const wchar_t* path = classesRoot ? L"Applications\\PureBasic.exe\\shell\\open\\command"
                                    : L"Software\\Classes\\PureBasic.exe\\shell\\open\\command";
  ScopedKey key;
  if (RegOpenKeyExW(root, path, 0, KEY_ALL_ACCESS, key.out()) != ERROR_SUCCESS) return std::wstring();
  wchar_t buffer[261] = {};  // 522 bytes
  DWORD size = 522, type = 0;
  if (RegQueryValueExW(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
    return std::wstring();
  std::wstring value(buffer, size / sizeof(wchar_t));
  value = value.substr(0, value.find(L'\0'));
  std::vector<std::wstring> fields = text::Split(value, L'"');
  std::wstring program = fields.size() > 1 ? fields[1] : std::wstring();
  return text::WithBackslash(text::FolderPart(program));
}

std::wstring TempTokenFolder() { return TempFolder(); }

std::wstring ExpandTokens(const std::wstring& text, const InstallFolders& folders) {
  return ExpandTokensWith(text, SystemValues(folders));
}
std::wstring ExpandPathTokens(const std::wstring& text, const InstallFolders& folders) {
  return ExpandPathTokensWith(text, SystemValues(folders));
}
std::wstring ExpandTextVariables(const std::wstring& text) { return ExpandTextVariablesWith(text, SystemValues({})); }
std::wstring TokenFolder(int locationIndex, const InstallFolders& folders) {
  return TokenFolderWith(locationIndex, SystemValues(folders));
}

std::wstring ApplyWizardVariables(const std::wstring& text) {
  return ApplyWizardVariablesWith(text, Settings().programName, Settings().programVersion);
}
