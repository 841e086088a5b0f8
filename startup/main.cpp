// The setup stub's entry: prepares the process, refuses systems and accounts
// it cannot serve, keeps a second installation out, and dispatches on the
// command line. Every run ends with exit code 0.
#include "common/heap.h"
#include "common/log.h"
#include "common/message_box.h"
#include "common/quiet_run.h"
#include "common/text.h"
#include "common/system_api.h"
#include "common/toolkit.h"
#include "install/shared/admin_test.h"
#include "package/package.h"
#include "package/version_info.h"
#include "startup/command_line.h"
#include "startup/messages.h"
#include "startup/os_version.h"
#include "common/outcome.h"
#include "startup/process.h"
#include "startup/switches.h"
#include "script/languages.h"
#include "wizard/wizard.h"

namespace {

[[noreturn]] void RefuseAndEnd(const wchar_t* text, const wchar_t* title, UINT icon, Outcome outcome) {
  NoteOutcome(outcome);
  ui::Message(text, title, icon);
  EndPlain();
}

void ApplySystemGate(int os) {
  if (LacksAdministratorRights(os)) {
    RefuseAndEnd(startup_text::kNeedAdministrator, startup_text::kErrorTitle, ui::kErrorIcon, kFailed);
  } else if (os < kOsNt4) {
    RefuseAndEnd(startup_text::kCompatibility, startup_text::kCompatibilityTitle, ui::kErrorIcon, kFailed);
  }
}

void ClaimSingleInstance() {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, L"TarnwickInstaller");
  if (GetLastError() == ERROR_ALREADY_EXISTS)
    RefuseAndEnd(startup_text::kInstanceRunning, startup_text::kInstanceTitle, ui::kWarningIcon, kAnotherRunning);
  Process().instanceMutex = mutex;
}

// The title of a box that names the product before the package is read:
// the package's version information ("Demo App Setup"), which the package
// builder writes.
std::wstring ProductSetupTitle() {
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16));  // RT_VERSION
  HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  const std::wstring title =
      bytes ? VersionString(static_cast<const unsigned char*>(bytes), SizeofResource(nullptr, found), L"FileDescription")
            : std::wstring();
  return title.empty() ? startup_text::kSetupTitle : title;
}

// "/?": the switches and exit codes, in a box and in the log.
[[noreturn]] void ShowSwitches() {
  const std::wstring list = SwitchesText();
  for (size_t at = 0, end; at <= list.size(); at = end + 2) {
    end = list.find(L"\r\n", at);
    if (end == std::wstring::npos) end = list.size();
    LogLine(list.substr(at, end - at));
  }
  ui::Message(list, ProductSetupTitle(), ui::kInformationIcon);
  EndPlain();
}

[[noreturn]] void RunNormalPath() {
  const std::vector<Language> languages = Initialise();
  ProcessState& p = Process();
  // One usable localization file is taken without asking.
  p.languageFile = languages.size() == 1 ? languages[0].path : SelectLanguage(languages);
  if (languages.size() == 1) LogLine(L"language: " + languages[0].name + L" (the only one)");
  if (!p.languageFile.empty()) RunWizard(p.languageFile);
  NoteOutcome(kFailed);
  ui::Message(startup_text::kCorruptedNoLanguage, startup_text::kErrorTitle, ui::kErrorIcon);
  CleanUp(0);
  EndPlain();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  RestrictDllSearchPath();
  ProcessState& p = Process();
  PrivateHeap();
  ui::Init(instance);

  // An unattended run is known before anything is shown.
  const std::wstring commandLine = GetCommandLineW();
  p.invocation = ReadInvocation(commandLine);
  ui::SetQuiet(p.invocation.silent, p.invocation.passive);
  if (!p.invocation.log.empty()) OpenLog(p.invocation.log);
  LogLine(L"setup started: " + commandLine);
  // The list of switches needs neither the rights nor the package.
  if (p.invocation.mode == RunMode::kSwitches) ShowSwitches();

  p.osVersion = CurrentOsVersion();
  LogLine(L"system: version number " + text::Decimal(p.osVersion));
  ApplySystemGate(p.osVersion);
  ClaimSingleInstance();

  switch (p.invocation.mode) {
    case RunMode::kUnpackOnly:
      if (UnpackOnly(p.invocation.folder))
        ui::Message(startup_text::kUnpackWritten, startup_text::kSuccessTitle, ui::kInformationIcon);
      EndPlain();
    case RunMode::kUsage:
      NoteOutcome(kBadCommandLine);
      ui::Message(startup_text::kUsage, startup_text::kErrorTitle, ui::kInformationIcon);
      EndPlain();
    case RunMode::kFolderNotFull:
      // Taken relative to whatever folder is current, it could name any place.
      NoteOutcome(kBadCommandLine);
      LogLine(L"refused: the install folder " + p.invocation.folder +
              L" is not a full path (a drive path such as C:\\Folder or a network path such as "
              L"\\\\server\\share\\Folder)");
      EndPlain();
    case RunMode::kSwitches:  // shown above
    case RunMode::kInstall:
      break;
  }
  RunNormalPath();
}
