#include "install/shared/path_guard.h"

#include "common/prelude.h"
#include <shlobj.h>

#include <vector>

#include "common/handles.h"
#include "common/system_api.h"
#include "common/text.h"
#include "install/path_rules.h"
#include "script/shared/shell_folders.h"

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

// The user's folders that have no shell folder number, only a known-folder
// identity (Windows Vista and later): Downloads, Saved Games, Links,
// Contacts, Searches, 3D Objects, Screenshots, Camera Roll, OneDrive, the
// user's own programs, the low-integrity application data, and the public
// folder with its downloads.
const GUID kKnownFolders[] = {
    {0x374de290, 0x123f, 0x4565, {0x91, 0x64, 0x39, 0xc4, 0x92, 0x5e, 0x46, 0x7b}},
    {0x4c5c32ff, 0xbb9d, 0x43b0, {0xb5, 0xb4, 0x2d, 0x72, 0xe5, 0x4e, 0xaa, 0xa4}},
    {0xbfb9d5e0, 0xc6a9, 0x404c, {0xb2, 0xb2, 0xae, 0x6d, 0xb6, 0xaf, 0x49, 0x68}},
    {0x56784854, 0xc6cb, 0x462b, {0x81, 0x69, 0x88, 0xe3, 0x50, 0xac, 0xb8, 0x82}},
    {0x7d1d3a04, 0xdebb, 0x4115, {0x95, 0xcf, 0x2f, 0x29, 0xda, 0x29, 0x20, 0xda}},
    {0x31c0dd25, 0x9439, 0x4f12, {0xbf, 0x41, 0x7f, 0xf4, 0xed, 0xa3, 0x87, 0x22}},
    {0xb7bede81, 0xdf94, 0x4682, {0xa7, 0xd8, 0x57, 0xa5, 0x26, 0x20, 0xb8, 0x6f}},
    {0xab5fb87b, 0x7ce2, 0x4f83, {0x91, 0x5d, 0x55, 0x08, 0x46, 0xc9, 0x53, 0x7b}},
    {0xa52bba46, 0xe9e1, 0x435f, {0xb3, 0xd9, 0x28, 0xda, 0xa6, 0x48, 0xc0, 0xf6}},
    {0x5cd7aee2, 0x2219, 0x4a67, {0xb8, 0x5d, 0x6c, 0x9c, 0xe1, 0x56, 0x60, 0xcb}},
    {0xa520a1a4, 0x1780, 0x4ff6, {0xbd, 0x18, 0x16, 0x73, 0x43, 0xc5, 0xaf, 0x16}},
    {0xdfdf76a2, 0xc82a, 0x4d63, {0x90, 0x6a, 0x56, 0x44, 0xac, 0x45, 0x73, 0x85}},
    {0x3d644c9b, 0x1fb8, 0x4f30, {0x9b, 0x45, 0xf6, 0x70, 0x23, 0x5f, 0x79, 0xc0}},
};
// clang-format on

// The long form of a path's existing part: short (8.3) names written by
// hand resolve to the names they stand for.
std::wstring LongForm(const std::wstring& path) {
  return path.find(L'~') == std::wstring::npos ? path : LongPathOf(path);
}

// True when `inner` is `outer` or lies below it, both guard forms, compared
// by the system's case mapping.
bool Holds(const std::wstring& outer, const std::wstring& inner) {
  return inner.size() >= outer.size() && SameTextNoCase(inner.substr(0, outer.size()), outer);
}

using Identity = PathGuard::Identity;

bool Same(const Identity& a, const Identity& b) {
  if ((a.indexHigh || a.indexLow) && a.volume == b.volume && a.indexHigh == b.indexHigh && a.indexLow == b.indexLow)
    return true;
  return !a.finalForm.empty() && SameTextNoCase(a.finalForm, b.finalForm);
}

// Opens an existing file or folder of a guard form to ask what it is; a
// link or junction on the way, the last element included, is followed.
bool IdentityOf(PathGuard& guard, const std::wstring& form, Identity* id) {
  std::wstring name = IsRootGuardForm(form) ? form : form.substr(0, form.size() - 1);
  if (name.size() >= MAX_PATH) name = name[1] == L':' ? L"\\\\?\\" + name : L"\\\\?\\UNC\\" + name.substr(2);
  ScopedHandle h(CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info;
  if (!h.valid() || !GetFileInformationByHandle(h.get(), &info)) return false;
  id->volume = info.dwVolumeSerialNumber;
  id->indexHigh = info.nFileIndexHigh;
  id->indexLow = info.nFileIndexLow;
  // A final path that no drive or share reaches (an emulation's own names)
  // tells nothing.
  const std::wstring final = FinalPathOf(h.get());
  id->finalForm = final.empty() ? std::wstring() : GuardFormHere(guard, final);
  if (!IsAbsoluteGuardForm(id->finalForm) || HasStreamOrDeviceSyntax(final)) id->finalForm.clear();
  return true;
}

// The deepest existing part of a path in guard form (the path itself when
// it exists), what it is, and the names below it that do not exist.
struct Resolved {
  bool opened = false;
  Identity id;
  std::wstring missing;  // "" when the whole path exists
};

Resolved Resolve(PathGuard& guard, const std::wstring& form) {
  Resolved r;
  std::wstring at = form;
  while (IsAbsoluteGuardForm(at)) {
    if (IdentityOf(guard, at, &r.id)) {
      r.opened = true;
      return r;
    }
    if (IsRootGuardForm(at)) break;
    const size_t cut = at.find_last_of(L'\\', at.size() - 2);
    r.missing = at.substr(cut + 1) + r.missing;
    at = at.substr(0, cut + 1);
  }
  return r;
}

const std::vector<std::wstring>& OwnNames(PathGuard& known) {
  if (!known.namesRead) known.ownNames = ComputerNames();
  known.namesRead = true;
  return known.ownNames;
}

void AddFolder(PathGuard* p, const std::wstring& form) {
  if (!IsAbsoluteGuardForm(form)) return;
  p->forms.push_back(form);
  Identity id;
  if (IdentityOf(*p, form, &id) && !id.finalForm.empty() && !SameTextNoCase(id.finalForm, form))
    AddFolder(p, id.finalForm);  // where it really is, and what holds that
  for (std::wstring at = form; IsAbsoluteGuardForm(at);) {
    if (IdentityOf(*p, at, &id)) {
      bool known = false;
      for (const Identity& other : p->ids) known = known || Same(other, id);
      if (!known) p->ids.push_back(id);
    }
    if (IsRootGuardForm(at)) break;
    at = at.substr(0, at.find_last_of(L'\\', at.size() - 2) + 1);
  }
}

PathGuard& ProtectedFolders(PathGuard* known) {
  if (known->foldersRead) return *known;
  known->foldersRead = true;
  std::vector<std::wstring> paths;
  for (int csidl : kWellKnownFolders) paths.push_back(ShellFolder(csidl));
  for (const GUID& id : kKnownFolders) paths.push_back(KnownFolderPath(id));
  paths.push_back(TempFolder());
  wchar_t windows[MAX_PATH + 1] = {};
  UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
  if (n > 0 && n <= MAX_PATH) paths.push_back(std::wstring(windows, n));
  n = GetSystemDirectoryW(windows, MAX_PATH);
  if (n > 0 && n <= MAX_PATH) paths.push_back(std::wstring(windows, n));
  for (const std::wstring& path : paths)
    if (!path.empty()) AddFolder(known, GuardFormHere(*known, path));
  return *known;
}

// The cheap check by names: not absolute, a root, a hidden share of this
// computer, or (`orHolds`) a well-known folder or one that holds one, else
// a well-known folder itself.
bool RefusedByName(PathGuard& guard, const std::wstring& form, bool orHolds) {
  if (!IsAbsoluteGuardForm(form) || IsRootGuardForm(form) || IsLocalHiddenShareForm(form)) return true;
  for (const std::wstring& known : ProtectedFolders(&guard).forms)
    if (orHolds ? Holds(form, known) : SameTextNoCase(form, known)) return true;
  return false;
}

// The check by names, then by what the path is.
bool Refused(PathGuard& guard, const std::wstring& path, bool orHolds) {
  if (HasStreamOrDeviceSyntax(path)) return true;
  const std::wstring form = GuardFormHere(guard, path);
  if (RefusedByName(guard, form, orHolds)) return true;
  // Nothing of it opens (a drive or server that is not there): the names
  // decide, and a path that does not exist cannot be walked anyway.
  const Resolved r = Resolve(guard, form);
  if (!r.opened) return false;
  if (r.missing.empty())
    for (const Identity& id : ProtectedFolders(&guard).ids)
      if (Same(r.id, id)) return true;
  // The same place under the name the system gives it, links resolved.
  return !r.id.finalForm.empty() && RefusedByName(guard, GuardFormHere(guard, r.id.finalForm + r.missing), orHolds);
}

}  // namespace

std::wstring GuardFormHere(PathGuard& guard, const std::wstring& path) {
  const std::wstring form = GuardForm(path, OwnNames(guard), UpperCaseHere);
  if (!IsAbsoluteGuardForm(form)) return form;
  // Resolve short names on the cleaned-up form (it names an existing place
  // the same way the written one does), then clean up once more.
  return GuardForm(LongForm(form), OwnNames(guard), UpperCaseHere);
}

bool IsProtectedFolder(PathGuard& guard, const std::wstring& path) { return Refused(guard, path, true); }

bool IsDeletableFilePath(PathGuard& guard, const std::wstring& path) { return !Refused(guard, path, false); }

void ProtectFolder(PathGuard& guard, const std::wstring& path) {
  AddFolder(&ProtectedFolders(&guard), GuardFormHere(guard, path));
}
