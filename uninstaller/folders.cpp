#include "uninstaller/folders.h"

#include "common/prelude.h"
#include <shlobj.h>

#include "common/handles.h"
#include "common/system_api.h"
#include "common/text.h"
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

// The full, long, lower-case form with a trailing backslash, for comparing.
std::wstring Normalized(const std::wstring& path) {
  wchar_t full[MAX_PATH + 1] = {};
  DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
  std::wstring result = n > 0 && n <= MAX_PATH ? std::wstring(full, n) : path;
  using LongPath = DWORD(WINAPI*)(LPCWSTR, LPWSTR, DWORD);
  auto toLong = reinterpret_cast<LongPath>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetLongPathNameW")));
  wchar_t longer[MAX_PATH + 1] = {};
  if (toLong && (n = toLong(result.c_str(), longer, MAX_PATH)) > 0 && n <= MAX_PATH) result.assign(longer, n);
  return text::WithBackslash(text::Lower(result));
}

// "c:\", "\\server\share\" or "\\?\c:\", "\\?\unc\server\share\" (normalized
// paths): nothing below the root.
bool IsRoot(const std::wstring& path) {
  std::wstring rest = path;
  if (text::StartsWith(rest, L"\\\\?\\unc\\"))
    rest = L"\\\\" + rest.substr(8);
  else if (text::StartsWith(rest, L"\\\\?\\"))
    rest = rest.substr(4);
  if (text::StartsWith(rest, L"\\\\")) {
    // Server, share: two names, each followed by a backslash.
    return MakeFolderEntry(rest.substr(2)).depth <= 2;
  }
  return rest.size() <= 3;
}

bool IsAbsolute(const std::wstring& path) {
  return text::StartsWith(path, L"\\\\") ||
         (path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/'));
}

// True when no file below the folder has content.
bool HoldsNoContent(const std::wstring& folder) {
  WIN32_FIND_DATAW entry;
  ScopedFind find(FindFirstFileW((folder + L"*").c_str(), &entry));
  if (!find.valid()) return true;
  do {
    const std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..") continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && !HoldsNoContent(folder + name + L"\\"))
        return false;
    } else if (entry.nFileSizeLow || entry.nFileSizeHigh) {
      return false;
    }
  } while (FindNextFileW(find.get(), &entry));
  return true;
}

// The well-known folders in normalized form, found once.
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
  for (const std::wstring& path : paths)
    if (!path.empty()) known->push_back(Normalized(path));
  return *known;
}

}  // namespace

bool IsProtectedFolder(const std::wstring& path) {
  const std::wstring trimmed = text::Trim(path, L" ");
  if (!IsAbsolute(trimmed)) return true;
  const std::wstring folder = Normalized(trimmed);
  if (IsRoot(folder)) return true;
  for (const std::wstring& known : KnownFolders()) {
    // The folder itself, or one that holds it.
    if (text::StartsWith(known, folder)) return true;
  }
  return false;
}

void RemoveFolders(std::vector<FolderEntry> folders, const std::wstring& installFolder, bool installFolderProtected,
                   bool installPathCreated) {
  const std::wstring install = text::WithBackslash(installFolder);
  if (!installFolderProtected) CollectSubFolders(install, &folders);
  // Deepest first; folders of the same depth in list order.
  int deepest = 0;
  for (const FolderEntry& folder : folders) deepest = folder.depth > deepest ? folder.depth : deepest;
  for (int depth = deepest; depth >= 0; --depth) {
    for (const FolderEntry& folder : folders) {
      // A recorded folder that is a system folder stays even when it is empty.
      if (folder.depth != depth || IsProtectedFolder(folder.path)) continue;
      SetFileAttributesW(folder.path.c_str(), FILE_ATTRIBUTE_NORMAL);
      RemoveDirectoryW(folder.path.c_str());
    }
  }
  if (installFolderProtected) return;
  if (installPathCreated && HoldsNoContent(install)) DeleteTree(install);
  RemoveDirectoryW(install.c_str());
}
