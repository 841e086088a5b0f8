// Expands path tokens and text variables the way the setup stub does on the
// running system, and writes the results to a file (UTF-8, one per line).
//
//   token_probe.exe OUT [OPTION VALUE | TEXT]...
//
// Options set the values the expansion reads; each applies to the texts
// after it, so one run can expand a text before and after a value is known:
//   --install X   the install folder          (<DefaultInstallPath>)
//   --group X     the Start-menu group folder (<DefaultStartMenuGroup>)
//   --name X  --version X  --company X  --website X  --email X
//                 the values of the setup script's [GeneralInformation]
// Texts:
//   #n      TokenFolder(n)
//   @TEXT   ApplyWizardVariables(TEXT)
//   ?os     the OS version number of the running system
//   =TEXT   ExpandTokens(TEXT), for a text that begins with one of #@?=-
//   TEXT    ExpandTokens(TEXT)
//
// Exit code 0 when the file was written, 2 on a bad command line, 3 when
// the file cannot be written.
#include <cwchar>
#include <string>

#include "common/prelude.h"
#include "script/settings.h"
#include "script/tokens.h"
#include "startup/os_version.h"
#include "startup/process.h"
#include "tests/helpers/utf8.h"

namespace {

InstallFolders g_folders;  // what --install and --group set
// The field an option sets, or null for an unknown option.
std::wstring* OptionTarget(const std::wstring& option) {
  SetupSettings& s = Settings();
  if (option == L"--install") return &g_folders.install;
  if (option == L"--group") return &g_folders.group;
  if (option == L"--name") return &s.programName;
  if (option == L"--version") return &s.programVersion;
  if (option == L"--company") return &s.companyName;
  if (option == L"--website") return &s.website;
  if (option == L"--email") return &s.supportEmail;
  return nullptr;
}

std::wstring Result(const std::wstring& text) {
  switch (text.empty() ? L'\0' : text[0]) {
    case L'#': return TokenFolder(static_cast<int>(std::wcstol(text.c_str() + 1, nullptr, 10)), g_folders);
    case L'@': return ApplyWizardVariables(text.substr(1));
    case L'?': return text == L"?os" ? std::to_wstring(Process().osVersion) : L"?";
    case L'=': return ExpandTokens(text.substr(1), g_folders);
    default: return ExpandTokens(text, g_folders);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  Process().osVersion = CurrentOsVersion();

  std::string out;
  for (int i = 2; i < argc; ++i) {
    std::wstring arg = argv[i];
    if (arg.size() > 2 && arg.compare(0, 2, L"--") == 0) {
      std::wstring* target = OptionTarget(arg);
      if (!target || i + 1 >= argc) return 2;
      *target = argv[++i];
      continue;
    }
    out += WideToUtf8(Result(arg));
    out += '\n';
  }

  HANDLE f = CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return 3;
  DWORD written = 0;
  BOOL ok = WriteFile(f, out.data(), static_cast<DWORD>(out.size()), &written, nullptr);
  CloseHandle(f);
  return ok && written == out.size() ? 0 : 3;
}
