// The benchmark's hands inside Wine: starts a package, walks its wizard and
// times it with the performance counter; times the uninstaller and any other
// program from its start to its end. Prints "name value" lines for
// bench/run.sh.
//
//   bench_drive install PACKAGE     start -> first window, start -> wizard,
//                                   Next on the last page -> finish page,
//                                   the peak working set on the finish page,
//                                   start -> end of the whole run
//   bench_drive unpack PACKAGE DIR  PACKAGE -u DIR, its message answered
//   bench_drive uninstall PROGRAM   PROGRAM /S, start -> the end of its removal
//   bench_drive run PROGRAM ARGS... start -> end, its output thrown away
//
// Every wait polls at about 1 ms.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <string>

#include "tests/driver/driver.h"
#include "wizard/controls.h"

namespace {

LARGE_INTEGER Now() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  return double(to.QuadPart - from.QuadPart) / double(f.QuadPart);
}

// Polls `condition` about every millisecond; false after `timeoutMs`.
template <typename Condition>
bool Poll(Condition condition, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(1);
  }
  return true;
}

int Fail(const drive::Process& p, const char* what) {
  std::printf("error %s\n", what);
  // A message box of the package says why, when there is one.
  drive::MessageBoxInfo box = drive::WaitMessageBox(p, 0);
  if (box.window)
    std::printf("error message box \"%s\": %s\n", drive::Narrow(box.title).c_str(), drive::Narrow(box.text).c_str());
  p.Kill();
  return 1;
}

bool IsWizard(HWND h) { return drive::Exists(h, kNextButton) && drive::Exists(h, kWelcomeContainer); }

// The container of the page on view (0: none yet).
int PageOnView(HWND wizard) {
  for (int container : kPageContainers)
    if (drive::Visible(wizard, container)) return container;
  return 0;
}

int Install(const std::wstring& package) {
  const LARGE_INTEGER started = Now();
  drive::Process p = drive::Start(package);
  if (!p.started()) {
    std::printf("error cannot start the package\n");
    return 1;
  }
  // The first visible window of the process ("Initializing..."), then the wizard.
  HWND first = nullptr;
  if (!Poll(
          [&] {
            for (HWND h : drive::WindowsOf(p.pid())) {
              first = h;
              return true;
            }
            return !p.Running();
          },
          60000) ||
      !first)
    return Fail(p, "no window");
  const LARGE_INTEGER firstShown = Now();
  std::printf("first_window_title %s\n", drive::Narrow(drive::Title(first)).c_str());
  HWND wizard = nullptr;
  if (!Poll(
          [&] {
            for (HWND h : drive::WindowsOf(p.pid()))
              if (IsWizard(h) && drive::Visible(h, kWelcomeContainer)) {
                wizard = h;
                return true;
              }
            return !p.Running();
          },
          600000) ||
      !wizard)
    return Fail(p, "no wizard");
  const LARGE_INTEGER wizardShown = Now();

  // Next through the pages up to the Start-menu group page, the last one
  // before the installation.
  for (int step = 0;; ++step) {
    int page = 0;
    if (!Poll([&] { return (page = PageOnView(wizard)) != 0; }, 30000) || step > 8) return Fail(p, "lost in the wizard");
    if (page == kGroupContainer) break;
    if (!drive::Click(wizard, kNextButton)) return Fail(p, "cannot press Next");
    if (!Poll([&] { return !drive::Visible(wizard, page); }, 30000)) return Fail(p, "the page stays");
  }
  HWND next = drive::Control(wizard, kNextButton);
  HWND finish = drive::Control(wizard, kFinishButton);
  if (!Poll([&] { return IsWindowVisible(next) && IsWindowEnabled(next); }, 30000)) return Fail(p, "Next is not ready");
  const LARGE_INTEGER clicked = Now();
  if (!drive::ClickLater(wizard, kNextButton)) return Fail(p, "cannot press Next");
  // The finish button's own handle is polled: a cheap look that loads the
  // system little while the installation runs.
  const bool done = finish ? Poll([&] { return IsWindowVisible(finish) != 0; }, 3600000)
                           : Poll([&] { return drive::Visible(wizard, kFinishButton); }, 3600000);
  if (!done) return Fail(p, "no finish page");
  const LARGE_INTEGER finished = Now();

  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  const bool memory = GetProcessMemoryInfo(p.handle(), &counters, sizeof counters) != 0;

  if (!drive::Click(wizard, kFinishButton)) return Fail(p, "cannot press Finish");
  const DWORD code = p.WaitExit(600000);
  const LARGE_INTEGER ended = Now();
  if (code != 0) {
    std::printf("error exit code %lu\n", code);
    return 1;
  }
  std::printf("first_window %.4f\n", Seconds(started, firstShown));
  std::printf("wizard_window %.4f\n", Seconds(started, wizardShown));
  std::printf("install %.4f\n", Seconds(clicked, finished));
  std::printf("whole_run %.4f\n", Seconds(started, ended));
  if (memory) std::printf("peak_working_set %llu\n", static_cast<unsigned long long>(counters.PeakWorkingSetSize));
  return 0;
}

int Unpack(const std::wstring& package, const std::wstring& folder) {
  drive::Process p = drive::Start(package, L"-u \"" + folder + L"\"");
  if (!p.started()) {
    std::printf("error cannot start the package\n");
    return 1;
  }
  drive::MessageBoxInfo box = drive::WaitMessageBox(p, 600000);
  if (!box.window) return Fail(p, "no message");
  drive::Answer(box, IDOK);
  const DWORD code = p.WaitExit(60000);
  std::printf("message %s\n", drive::Narrow(box.text).c_str());
  return code == 0 ? 0 : 1;
}

// The uninstaller's copy: a program named by a number ("4299837.exe").
bool IsCopyName(const wchar_t* name) {
  const wchar_t* p = name;
  while (*p >= L'0' && *p <= L'9') ++p;
  return p != name && lstrcmpiW(p, L".exe") == 0;
}

// The uninstaller's copy that `parent` started, or null while there is none.
// Other processes it started (the system's desktop, say, which the first
// program with a window of a session starts) are not taken.
HANDLE CopyStartedBy(DWORD parent) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return nullptr;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  HANDLE child = nullptr;
  for (BOOL more = Process32FirstW(snapshot, &entry); more && !child; more = Process32NextW(snapshot, &entry))
    if (entry.th32ParentProcessID == parent && entry.th32ProcessID != parent && IsCopyName(entry.szExeFile))
      child = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
  CloseHandle(snapshot);
  return child;
}

// The uninstaller hands the removal to a copy of itself in the temporary
// folder and waits for it; the removal is over when both have ended (the
// copy may end the first one: it ends the programs running the files it
// deletes).
int Uninstall(const std::wstring& program) {
  // Started in C:\, as the system's list of programs would: a current
  // folder inside the product would be one more folder in use.
  std::wstring commandLine = L"\"" + program + L"\" /S";
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  const LARGE_INTEGER started = Now();
  if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, L"C:\\", &si, &pi)) {
    std::printf("error cannot start the uninstaller\n");
    return 1;
  }
  CloseHandle(pi.hThread);
  drive::Process first(pi.hProcess, pi.dwProcessId);
  HANDLE copy = nullptr;
  Poll([&] { return (copy = CopyStartedBy(first.pid())) != nullptr || !first.Running(); }, 600000);
  if (!copy) copy = CopyStartedBy(first.pid());
  const DWORD code = first.WaitExit(1800000);
  const LARGE_INTEGER firstEnded = Now();
  DWORD copyCode = STILL_ACTIVE;
  if (copy) {
    WaitForSingleObject(copy, 1800000);
    GetExitCodeProcess(copy, &copyCode);
    CloseHandle(copy);
  }
  const LARGE_INTEGER ended = Now();
  std::printf("uninstall %.4f\nfirst_stage %.4f\nexit_code %lu\n", Seconds(started, ended), Seconds(started, firstEnded),
              code);
  if (copy) std::printf("second_stage_exit_code %lu\n", copyCode);
  else std::printf("error no second stage seen\n");
  return copy ? 0 : 1;
}

// The program with its output going into a file of the temporary folder,
// as "program > file" has it, timed from start to end. Not NUL: the C
// runtime writes to a character device unbuffered, a character at a time,
// and under Wine every such write is a round trip to the wineserver
// (miniunz prints a line for every file it extracts).
int Run(int argc, wchar_t** argv) {
  std::wstring commandLine = L"\"" + std::wstring(argv[2]) + L"\"";
  for (int i = 3; i < argc; ++i) {
    const std::wstring a = argv[i];
    commandLine += a.empty() || a.find(L' ') != std::wstring::npos ? L" \"" + a + L"\"" : L" " + a;
  }
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  wchar_t temp[MAX_PATH] = L"";
  GetTempPathW(MAX_PATH, temp);
  const std::wstring outPath = std::wstring(temp) + L"bench_run_output.txt";
  HANDLE output = CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_TEMPORARY, nullptr);
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = nullptr;
  si.hStdOutput = output;
  si.hStdError = output;
  PROCESS_INFORMATION pi = {};
  const LARGE_INTEGER started = Now();
  if (!CreateProcessW(argv[2], &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
    std::printf("error cannot start the program\n");
    return 1;
  }
  WaitForSingleObject(pi.hProcess, INFINITE);
  const LARGE_INTEGER ended = Now();
  DWORD code = 1;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  CloseHandle(output);
  DeleteFileW(outPath.c_str());
  std::printf("run %.4f\nexit_code %lu\n", Seconds(started, ended), code);
  return code == 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  int result = 2;
  if (mode == L"install" && argc == 3) result = Install(argv[2]);
  else if (mode == L"unpack" && argc == 4) result = Unpack(argv[2], argv[3]);
  else if (mode == L"uninstall" && argc == 3) result = Uninstall(argv[2]);
  else if (mode == L"run" && argc >= 3) result = Run(argc, argv);
  else std::printf("usage: bench_drive install PACKAGE | unpack PACKAGE DIR | uninstall PROGRAM | run PROGRAM ARGS...\n");
  std::fflush(stdout);
  return result;
}
