#include "install/path_guard.h"

#include "common/prelude.h"
#include <shlobj.h>

#include <vector>

#include "common/system_api.h"
#include "common/text.h"
#include "install/path_rules.h"
#include "script/shell_folders.h"

// The folder that holds the user profiles; older headers lack its name.
#ifndef CSIDL_PROFILES
#define CSIDL_PROFILES 0x003e
#endif

namespace {

// The shell folders that are never removed, with their parents.
// clang-format off
constexpr int kWellKnownFolders[] = {
    // The system's.
    CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_SYSTEMX86, CSIDL_FONTS, CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86,
    CSIDL_PROGRAM_FILES_COMMON, CSIDL_PROGRAM_FILES_COMMONX86, CSIDL_PROFILES,
    // The user's.
    CSIDL_PROFILE, CSIDL_DESKTOPDIRECTORY, CSIDL_PERSONAL, CSIDL_MYMUSIC, CSIDL_MYPICTURES, CSIDL_MYVIDEO,
    CSIDL_FAVORITES, CSIDL_APPDATA, CSIDL_LOCAL_APPDATA, CSIDL_STARTMENU, CSIDL_PROGRAMS, CSIDL_STARTUP, CSIDL_SENDTO,
    CSIDL_RECENT, CSIDL_TEMPLATES, CSIDL_INTERNET_CACHE, CSIDL_COOKIES, CSIDL_HISTORY, CSIDL_NETHOOD,
    CSIDL_PRINTHOOD, CSIDL_ADMINTOOLS,
    // Their common counterparts.
    CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_COMMON_DOCUMENTS, CSIDL_COMMON_MUSIC, CSIDL_COMMON_PICTURES,
    CSIDL_COMMON_VIDEO, CSIDL_COMMON_FAVORITES, CSIDL_COMMON_APPDATA, CSIDL_COMMON_STARTMENU, CSIDL_COMMON_PROGRAMS,
    CSIDL_COMMON_STARTUP, CSIDL_COMMON_TEMPLATES, CSIDL_COMMON_ADMINTOOLS,
};
// clang-format on

const std::wstring& ComputerName() {
  static std::wstring* name = nullptr;
  if (!name) {
    wchar_t buf[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD n = MAX_COMPUTERNAME_LENGTH + 1;
    name = new std::wstring(GetComputerNameW(buf, &n) ? std::wstring(buf, n) : std::wstring());
  }
  return *name;
}

// The long form of a path's existing part: short (8.3) names written by
// hand resolve to the names they stand for.
std::wstring LongForm(const std::wstring& path) {
  using LongPath = DWORD(WINAPI*)(LPCWSTR, LPWSTR, DWORD);
  static auto toLong = reinterpret_cast<LongPath>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetLongPathNameW")));
  if (!toLong || path.find(L'~') == std::wstring::npos) return path;
  std::vector<wchar_t> buf(32768);
  DWORD n = toLong(path.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
  return n > 0 && n < buf.size() ? std::wstring(buf.data(), n) : path;
}

const std::vector<std::wstring>& KnownFolders() {
  static std::vector<std::wstring>* known = nullptr;
  if (known) return *known;
  known = new std::vector<std::wstring>;
  std::vector<std::wstring> paths;
  for (int csidl : kWellKnownFolders) paths.push_back(ShellFolder(csidl));
  paths.push_back(TempFolder());
  wchar_t windows[MAX_PATH + 1] = {};
  UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
  if (n > 0 && n <= MAX_PATH) paths.push_back(std::wstring(windows, n));
  n = GetSystemDirectoryW(windows, MAX_PATH);
  if (n > 0 && n <= MAX_PATH) paths.push_back(std::wstring(windows, n));
  for (const std::wstring& path : paths) {
    const std::wstring form = GuardFormHere(path);
    if (IsAbsoluteGuardForm(form)) known->push_back(form);
  }
  return *known;
}

}  // namespace

std::wstring GuardFormHere(const std::wstring& path) {
  const std::wstring form = GuardForm(path, ComputerName());
  if (!IsAbsoluteGuardForm(form)) return form;
  // Resolve short names on the cleaned-up form (it names an existing place
  // the same way the written one does), then clean up once more.
  return GuardForm(LongForm(form), ComputerName());
}

bool IsProtectedFolder(const std::wstring& path) {
  const std::wstring form = GuardFormHere(path);
  if (!IsAbsoluteGuardForm(form) || IsRootGuardForm(form)) return true;
  for (const std::wstring& known : KnownFolders())
    if (ContainsGuardForm(form, known)) return true;  // the folder itself, or one that holds it
  return false;
}

bool IsDeletableFilePath(const std::wstring& path) {
  const std::wstring form = GuardFormHere(path);
  if (!IsAbsoluteGuardForm(form) || IsRootGuardForm(form)) return false;
  for (const std::wstring& known : KnownFolders())
    if (form == known) return false;
  return true;
}
