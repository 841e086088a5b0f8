// Installing a font: added to the running system, copied into the Fonts
// folder and entered in the Fonts registry key.
#include "common/prelude.h"
#include "common/text.h"
#include "install/registry.h"
#include "install/system_tasks.h"
#include "startup/os_version.h"

namespace {

// %windir%\Fonts\ (only "\Fonts\" when the variable is not set).
std::wstring FontsFolder() {
  wchar_t windir[MAX_PATH] = {};
  DWORD n = GetEnvironmentVariableW(L"windir", windir, MAX_PATH);
  return std::wstring(windir, n < MAX_PATH ? n : 0) + L"\\Fonts\\";
}

// Windows 95, 98 and Me keep the list under "Windows", NT systems under
// "Windows NT".
const wchar_t* FontsKey() {
  const int os = CurrentOsVersion();
  if (os == kOs95 || os == kOs98 || os == kOsMe) return L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts";
  return L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
}

}  // namespace

int InstallFont(const std::wstring& fontName, const std::wstring& fontFile) {
  if (!AddFontResourceW(fontFile.c_str())) return 0;
  const std::wstring fileName = text::FilePart(fontFile);
  if (!CopyFileW(fontFile.c_str(), (FontsFolder() + fileName).c_str(), FALSE)) return 0;
  // Not held up by a program that does not answer.
  SendMessageTimeoutW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
  return RegistrySetValue(HKEY_LOCAL_MACHINE, FontsKey(), fontName, fileName, REG_SZ, L"");
}
