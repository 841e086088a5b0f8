// Installing a font: added to the running system, copied into the Fonts
// folder and entered in the Fonts registry key.
#include "common/journal.h"
#include "common/prelude.h"
#include "common/text.h"
#include "install/shared/registry.h"
#include "install/shared/system_tasks.h"
#include "startup/os_version.h"

namespace {

// %windir%\Fonts\ (only "\Fonts\" when the variable is not set).
std::wstring FontsFolder() {
  wchar_t windir[MAX_PATH] = {};
  DWORD n = GetEnvironmentVariableW(L"windir", windir, MAX_PATH);
  return std::wstring(windir, n < MAX_PATH ? n : 0) + L"\\Fonts\\";
}

}  // namespace

// Windows 95, 98 and Me keep the list under "Windows", NT systems under
// "Windows NT".
const wchar_t* FontsRegistryKey() {
  const int os = CurrentOsVersion();
  if (os == kOs95 || os == kOs98 || os == kOsMe) return L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts";
  return L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
}

int InstallFont(const std::wstring& fontName, const std::wstring& fontFile, FileJournal* journal) {
  if (!AddFontResourceW(fontFile.c_str())) return 0;
  const std::wstring fileName = text::FilePart(fontFile);
  const std::wstring copy = FontsFolder() + fileName;
  const auto write = [&] { return CopyFileW(fontFile.c_str(), copy.c_str(), FALSE) != 0; };
  // Through the journal, a font file of that name comes back after a rollback.
  if (!(journal ? journal->WriteThrough(copy, write) : write())) return 0;
  // Not held up by a program that does not answer.
  SendMessageTimeoutW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
  return RegistrySetValue(HKEY_LOCAL_MACHINE, FontsRegistryKey(), fontName, fileName, REG_SZ, L"");
}
