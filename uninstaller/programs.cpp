#include "uninstaller/programs.h"

#include "common/prelude.h"

#include "common/handles.h"
#include "common/system_api.h"
#include "common/text.h"
#include "install/shared/program_start.h"

namespace {

constexpr wchar_t kBrowserPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\iexplore.exe";

// The default value of the browser's App Paths key, environment variables
// expanded; empty when it is not registered.
std::wstring RegisteredBrowser() {
  ScopedKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kBrowserPath, 0, KEY_QUERY_VALUE, key.out()) != ERROR_SUCCESS)
    return std::wstring();
  wchar_t value[MAX_PATH + 1] = {};
  DWORD type = 0, bytes = sizeof value - sizeof(wchar_t);
  if (RegQueryValueExW(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &bytes) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return std::wstring();
  wchar_t expanded[MAX_PATH + 1] = {};
  DWORD n = ExpandEnvironmentStringsW(value, expanded, MAX_PATH);
  // The registration may carry the path in quotes.
  return text::Trim(n > 0 && n <= MAX_PATH ? expanded : value, L" \"");
}

}  // namespace

void StartTaskProgram(const std::wstring& program, const std::wstring& parameters) {
  // A quoted program path: its folder begins after the quote.
  const size_t start = text::StartsWith(program, L"\"") ? 1 : 0;
  StartProgram({program, parameters, text::FolderPart(program.substr(start))});
}

void LaunchBrowser(const std::wstring& address) {
  const std::wstring browser = RegisteredBrowser();
  ProgramStart start{browser, address, L"", StartWay::kCommand};
  if (browser.empty()) {
    start.program = L"iexplore.exe";
    start.way = StartWay::kShell;
  }
  start.asUser = true;
  StartProgram(start);
}

void DeleteWhenEnded(const std::wstring& path) {
  wchar_t interpreter[MAX_PATH + 1] = {};
  DWORD n = GetEnvironmentVariableW(L"comspec", interpreter, MAX_PATH);
  if (n == 0 || n > MAX_PATH) return;
  std::wstring command = L"/c del \"" + path + L"\"";
  // The copy's own folder (temporary folder + its number) goes with it.
  const std::wstring folder = text::FolderPart(path);
  const std::wstring file = text::FilePart(path);
  const std::wstring number = file.substr(0, file.rfind(L'.'));
  if (!number.empty() && text::EqualsNoCase(folder, TempFolder() + number + L"\\"))
    command += L" & rd \"" + folder.substr(0, folder.size() - 1) + L"\"";
  // Not in the copy's folder: a folder in use cannot be removed.
  StartProgram({interpreter, command, TempFolder(), StartWay::kFile, nullptr, SW_HIDE});
}
