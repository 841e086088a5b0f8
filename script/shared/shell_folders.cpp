#include "script/shared/shell_folders.h"

#include <shlobj.h>

#include "common/prelude.h"
#include "common/system_api.h"
#include "common/text.h"

std::wstring ShellFolder(int csidl) {
  LPITEMIDLIST list = nullptr;
  if (FAILED(SpecialFolderIdList(csidl, &list)) || !list) return std::wstring();
  wchar_t buffer[270] = {};
  BOOL ok = PathOfIdList(list, buffer);
  CoTaskMemFree(list);
  std::wstring path = ok ? buffer : L"";
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  return text::Trim(path, L" ");
}

std::wstring DrivePrefix() { return ShellFolder(CSIDL_DESKTOPDIRECTORY).substr(0, 3); }
