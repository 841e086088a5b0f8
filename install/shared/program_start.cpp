#include "install/shared/program_start.h"

#include <shellapi.h>

#include <exdisp.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "common/event_queue.h"
#include "common/log.h"
#include "common/quiet_run.h"
#include "common/system_api.h"
#include "common/text.h"

namespace {

// {9BA05972-F6A8-11CF-A442-00A0C90A8F39}
constexpr GUID kShellWindows = {0x9ba05972, 0xf6a8, 0x11cf, {0xa4, 0x42, 0x00, 0xa0, 0xc9, 0x0a, 0x8f, 0x39}};
// {4C96BE40-915C-11CF-99D3-00AA004AE837}
constexpr GUID kTopLevelBrowser = {0x4c96be40, 0x915c, 0x11cf, {0x99, 0xd3, 0x00, 0xaa, 0x00, 0x4a, 0xe8, 0x37}};

constexpr int kDesktopFolder = 0;       // CSIDL_DESKTOP
constexpr int kDesktopWindow = 8;       // SWC_DESKTOP
constexpr int kNeedDispatch = 1;        // SWFO_NEEDDISPATCH
constexpr UINT kViewBackground = 0;     // SVGIO_BACKGROUND

// An interface pointer released when it goes out of scope.
template <typename T>
struct Com {
  T* p = nullptr;
  ~Com() {
    if (p) p->Release();
  }
  void** out() { return reinterpret_cast<void**>(&p); }
};

// A text variant (VT_BSTR), freed when it goes out of scope.
struct Text {
  const AutomationApi& api;
  VARIANT v;
  Text(const AutomationApi& a, const wchar_t* s) : api(a) {
    api.variantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = api.allocString(s ? s : L"");
  }
  ~Text() { api.variantClear(&v); }
};

// The desktop shell's ShellExecute: the shell window's folder view, its
// automation object, and the shell's own dispatch that starts programs in
// the shell's process.
bool StartThroughDesktop(const AutomationApi& api, const ProgramStart& start) {
  Com<IShellWindows> windows;
  if (FAILED(CoCreateInstance(kShellWindows, nullptr, CLSCTX_LOCAL_SERVER, __uuidof(IShellWindows), windows.out())))
    return false;
  VARIANT location, root;
  api.variantInit(&location);
  api.variantInit(&root);
  location.vt = VT_I4;
  location.lVal = kDesktopFolder;
  long window = 0;
  Com<IDispatch> desktop;
  if (windows.p->FindWindowSW(&location, &root, kDesktopWindow, &window, kNeedDispatch, &desktop.p) != S_OK ||
      !desktop.p)
    return false;
  Com<IServiceProvider> provider;
  Com<IShellBrowser> browser;
  Com<IShellView> view;
  Com<IDispatch> background;
  Com<IShellFolderViewDual> folderView;
  Com<IDispatch> application;
  Com<IShellDispatch2> shell;
  if (FAILED(desktop.p->QueryInterface(__uuidof(IServiceProvider), provider.out())) ||
      FAILED(provider.p->QueryService(kTopLevelBrowser, __uuidof(IShellBrowser), browser.out())) ||
      FAILED(browser.p->QueryActiveShellView(&view.p)) || !view.p ||
      FAILED(view.p->GetItemObject(kViewBackground, __uuidof(IDispatch), background.out())) ||
      FAILED(background.p->QueryInterface(__uuidof(IShellFolderViewDual), folderView.out())) ||
      FAILED(folderView.p->get_Application(&application.p)) || !application.p ||
      FAILED(application.p->QueryInterface(__uuidof(IShellDispatch2), shell.out())))
    return false;
  BSTR file = api.allocString(start.program.c_str());
  Text parameters(api, start.parameters.c_str()), folder(api, start.folder.c_str()), verb(api, start.verb);
  VARIANT show;
  api.variantInit(&show);
  show.vt = VT_I4;
  show.lVal = start.show;
  const HRESULT started = file ? shell.p->ShellExecute(file, parameters.v, folder.v, verb.v, show) : E_OUTOFMEMORY;
  api.freeString(file);
  return SUCCEEDED(started);
}

bool StartAsSignedInUser(const ProgramStart& start) {
  const AutomationApi* api = Automation();
  if (!api) return false;
  const HRESULT com = CoInitialize(nullptr);
  const bool started = StartThroughDesktop(*api, start);
  if (SUCCEEDED(com)) CoUninitialize();
  return started;
}

// A process of its own, by CreateProcess.
bool CreateProgramProcess(const ProgramStart& start, HANDLE* process) {
  std::wstring commandLine =
      text::StartsWith(start.program, L"\"") ? start.program : L"\"" + start.program + L"\"";
  if (!start.parameters.empty()) commandLine += L" " + start.parameters;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  if (start.show != kProgramChooses) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(start.show);
  }
  if (start.output) {
    startup.dwFlags |= STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = start.output;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  }
  const DWORD flags = (start.way == StartWay::kCommand ? NORMAL_PRIORITY_CLASS : 0) |
                      (start.show == SW_HIDE ? CREATE_NO_WINDOW : 0);
  PROCESS_INFORMATION created = {};
  if (!CreateProcessW(start.way == StartWay::kFile ? start.program.c_str() : nullptr, &commandLine[0], nullptr,
                      nullptr, start.output ? TRUE : FALSE, flags, nullptr,
                      start.folder.empty() ? nullptr : start.folder.c_str(), &startup, &created))
    return false;
  CloseHandle(created.hThread);
  *process = created.hProcess;
  return true;
}

// The shell's execute operation; the verb and the folder as given.
bool ShellStart(const ProgramStart& start, const wchar_t* verb, const std::wstring& folder, bool needProcess,
                HANDLE* process) {
  SHELLEXECUTEINFOW shell = {};
  shell.cbSize = sizeof shell;
  // An unattended run shows no window, not even the shell's error box.
  shell.fMask = (needProcess ? SEE_MASK_NOCLOSEPROCESS : 0) | (ui::Quiet() ? SEE_MASK_FLAG_NO_UI : 0);
  shell.lpVerb = verb;
  shell.lpFile = start.program.c_str();
  shell.lpParameters = start.parameters.c_str();
  shell.lpDirectory = folder.empty() ? nullptr : folder.c_str();
  shell.nShow = start.show;
  if (!ShellExecuteInfo(&shell)) return false;
  *process = shell.hProcess;
  return true;
}

}  // namespace

Started StartProgram(const ProgramStart& start, HANDLE* process) {
  if (process) *process = nullptr;
  // The desktop shell's ShellExecute takes no flags: for a file it cannot
  // start, Windows shows its error box ("Windows cannot find ...") from the
  // shell's own process on the user's desktop, where no flag of ours reaches.
  if (start.asUser && !start.wait && !ui::Quiet() && RunsElevated() && StartAsSignedInUser(start)) {
    LogLine(L"started as the signed-in user by the desktop shell: " + start.program);
    return Started::kByDesktop;
  }
  const bool needProcess = start.wait || process;
  HANDLE created = nullptr;
  bool started = false;
  switch (start.way) {
    case StartWay::kShell:
      started = ShellStart(start, start.verb, start.folder, needProcess, &created);
      LogLine((started ? L"started by this program: " : L"could not start: ") + start.program);
      break;
    case StartWay::kCommand:
      // Not a program that CreateProcess can start (a document, for
      // instance): the shell opens it with whatever it associates with it.
      started = CreateProgramProcess(start, &created) ||
                ShellStart(start, L"Open", start.folder.empty() ? text::FolderPart(start.program) : start.folder,
                           true, &created);
      break;
    case StartWay::kFile:
      started = CreateProgramProcess(start, &created);
      break;
  }
  if (!started) return Started::kNot;
  if (!created) return Started::kHandedOver;
  if (start.wait) ui::WaitServing(created, INFINITE);  // the windows keep answering
  if (process && !start.wait)
    *process = created;
  else
    CloseHandle(created);
  return Started::kProcess;
}
