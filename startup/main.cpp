// The setup stub's entry: prepares the process, refuses systems and accounts
// it cannot serve, keeps a second installation out, and dispatches on the
// command line. Every run ends with exit code 0.
#include "common/heap.h"
#include "common/system_api.h"
#include "common/toolkit.h"
#include "install/admin_test.h"
#include "package/package.h"
#include "startup/command_line.h"
#include "startup/messages.h"
#include "startup/os_version.h"
#include "startup/process.h"
#include "startup/shared_resources.h"
#include "script/languages.h"
#include "wizard/wizard.h"

namespace {

[[noreturn]] void RefuseAndEnd(const wchar_t* text, const wchar_t* title, UINT icon) {
  ui::Message(text, title, icon);
  EndPlain();
}

void ApplySystemGate(int os) {
  if (os >= kOs2000) {
    if (!IsAdministrator())
      RefuseAndEnd(startup_text::kNeedAdministrator, startup_text::kErrorTitle, ui::kErrorIcon);
  } else if (os < kOsNt4) {
    RefuseAndEnd(startup_text::kCompatibility, startup_text::kCompatibilityTitle, ui::kErrorIcon);
  }
}

void ClaimSingleInstance() {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, L"TarnwickInstaller");
  if (GetLastError() == ERROR_ALREADY_EXISTS)
    RefuseAndEnd(startup_text::kInstanceRunning, startup_text::kInstanceTitle, ui::kWarningIcon);
  Process().instanceMutex = mutex;
}

[[noreturn]] void RunNormalPath() {
  Initialise();
  ProcessState& p = Process();
  // One usable localization file is taken without asking.
  p.languageFile = p.languages.size() == 1 ? p.languages[0].path : SelectLanguage();
  if (!p.languageFile.empty()) RunWizard(p.languageFile);
  ui::Message(startup_text::kCorruptedNoLanguage, startup_text::kErrorTitle, ui::kErrorIcon);
  CleanUp(0);
  EndPlain();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  RestrictDllSearchPath();
  ProcessState& p = Process();
  p.module = instance;
  PrivateHeap();
  ui::Init(instance);

  p.osVersion = CurrentOsVersion();
  ApplySystemGate(p.osVersion);
  CreateSharedResources();
  ClaimSingleInstance();

  const std::wstring commandLine = GetCommandLineW();
  p.argument1 = CommandArgument(commandLine, 1);
  p.argument2 = CommandArgument(commandLine, 2);

  if (!p.argument1.empty() && !p.argument2.empty()) {
    if (p.argument1 == L"-u") {
      if (UnpackOnly(p.argument2))
        ui::Message(startup_text::kUnpackWritten, startup_text::kSuccessTitle, ui::kInformationIcon);
    } else {
      ui::Message(startup_text::kUsage, startup_text::kErrorTitle, ui::kInformationIcon);
    }
    EndPlain();
  }
  RunNormalPath();
}
