// What several end-to-end tests share beyond the package fixture: the
// uninstall data file, shell folders and links, the registry, processes and
// services, the uninstaller's second stage, the English language file and
// the fixtures of the installation's and the wizard's tests.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "tests/driver/driver.h"
#include "tests/driver/package_fixture.h"

// Texts as the tests compare and print them: UTF-8.
inline std::vector<std::string> NarrowEach(const std::vector<std::wstring>& texts) {
  std::vector<std::string> out;
  for (const std::wstring& t : texts) out.push_back(drive::Narrow(t));
  return out;
}

// The byte-order mark the authoring tool writes at the start of a script.
inline constexpr char kBom[] = "\xEF\xBB\xBF";
// The task-line field separator (the pilcrow), UTF-8.
inline constexpr char kPilcrow[] = "\xC2\xB6";
// The wizard's title for the fixture's "Demo App" 1.0.
inline constexpr wchar_t kDemoTitle[] = L"Demo App v.1.0 :: Setup";
// The products' uninstall entries, one key each below this one.
inline constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
// Where the test builds ("-test") note the restarts they are asked for.
inline constexpr wchar_t kRestartRequests[] = L"C:\\tarnwick-restart-requests.txt";

// ---------------------------------------------------------------------------
// Files and folders.

using drive::Tree;
// A shell folder (CSIDL_...) with a trailing backslash; empty when unknown.
std::wstring ShellPath(int csidl);
// The all-users Start menu's Programs folder, where program groups go.
std::wstring CommonPrograms();

// ---------------------------------------------------------------------------
// The uninstall data file.

// The entries of one section of an uninstall data file, as "key = value".
std::vector<std::string> Section(const std::wstring& file, const std::string& name);
// The value of one "key = value" entry of a section ("" when it is missing).
std::string Value(const std::vector<std::string>& section, const std::string& key);
bool HasSection(const std::wstring& file, const std::string& name);

// ---------------------------------------------------------------------------
// Shell links.

// What a shell link file says, read through the shell's link object.
struct Link {
  bool loaded = false;
  std::wstring target, folder, description, icon;
  int iconIndex = -1, show = -1;
};

Link ReadLink(const std::wstring& path);

// ---------------------------------------------------------------------------
// The registry.

using drive::GetText;
using drive::KeyExists;
using drive::RestoredDefault;
using drive::SetText;
using drive::ValueExists;

// ---------------------------------------------------------------------------
// Processes and services.

using drive::ProcessesNamed;
// A helper that writes its report before it ends (the recorders,
// run_probe) and was started is running or has its report written. Asked
// once whatever could have started it is past the point where it would
// have: true when it was never started.
bool NeverStarted(const std::wstring& exeName, const std::wstring& report);
using drive::StopProcess;
using drive::StopProcessesNamed;

bool ServiceExists(const std::wstring& name);
// Stops the service (waiting up to `waitMs` until it has stopped) and
// deletes it.
void RemoveService(const std::wstring& name, int waitMs = 0);

// The second stage of an uninstaller: the numbered copy ("<digits>.exe", in
// a folder "<digits>" of the temporary folder) that the first stage starts,
// waited for up to 15 seconds. Not started on time-out; `name` gets the
// copy's path relative to the temporary folder ("<digits>\<digits>.exe").
drive::Process WaitSecondStage(const drive::Process& first, std::wstring* name);

// ---------------------------------------------------------------------------
// Wine's settings for programs of one file name.

using drive::AppSettings;
using drive::LeftOutOnX64;

// ---------------------------------------------------------------------------
// The installation.

// The fixture of the installation's tests: "Demo App" installs to
// <the test's folder>\dest\, its group goes to the all-users Programs
// folder; the group and the product's uninstall entry are removed before
// and after the test.
class DemoInstallTest : public PackageTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Finish on the finish page ends the run with exit code 0.
  void PressFinish(HWND w, const drive::Process& p);

  std::wstring dest_, group_;
};

// ---------------------------------------------------------------------------
// The wizard.

// The [LocalizationStub] text `key` of the shipped English language file
// ("" when it has none).
std::wstring T(int key);

// The fixture of the wizard's own tests.
class WizardTest : public PackageTest {
 protected:
  // Where the tests' scripts install.
  std::wstring Dest() const { return Dir() + L"dest\\"; }
  // A copy of the recorder below the test's folder; it notes its command
  // line and folder in <path>.log.
  std::wstring Recorder(const std::wstring& relative);
  // Cancel, confirmed: the run ends with exit code 0.
  void CancelWizard(const drive::Process& p, HWND w);
  // Cancel, confirmed, and no work folder is left.
  void CancelAndConfirm(const drive::Process& p, HWND w);
  // Finish ends the run with exit code 0 and leaves no work folder.
  void FinishAndExpectEnd(const drive::Process& p, HWND w);
};
