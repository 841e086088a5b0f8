#include "install/user_start.h"

#include <exdisp.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "common/log.h"
#include "common/quiet_run.h"
#include "common/system_api.h"

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
bool StartThroughDesktop(const AutomationApi& api, const SHELLEXECUTEINFOW& info) {
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
  BSTR file = api.allocString(info.lpFile);
  Text parameters(api, info.lpParameters), folder(api, info.lpDirectory), verb(api, info.lpVerb);
  VARIANT show;
  api.variantInit(&show);
  show.vt = VT_I4;
  show.lVal = info.nShow;
  const HRESULT started = file ? shell.p->ShellExecute(file, parameters.v, folder.v, verb.v, show) : E_OUTOFMEMORY;
  api.freeString(file);
  return SUCCEEDED(started);
}

bool StartAsSignedInUser(const SHELLEXECUTEINFOW& info) {
  const AutomationApi* api = Automation();
  if (!api || !info.lpFile) return false;
  const HRESULT com = CoInitialize(nullptr);
  const bool started = StartThroughDesktop(*api, info);
  if (SUCCEEDED(com)) CoUninitialize();
  return started;
}

}  // namespace

bool StartThroughDesktopShell(const SHELLEXECUTEINFOW& info) {
  // The desktop shell's ShellExecute takes no flags: for a file it cannot
  // start, Windows shows its error box ("Windows cannot find ...") from the
  // shell's own process on the user's desktop, where no flag of ours reaches.
  // An unattended run shows nothing, so it never goes that way; its starts
  // go through ShellExecuteExW as this process with SEE_MASK_FLAG_NO_UI.
  if (ui::Quiet() || (info.fMask & (SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI)) || !RunsElevated() ||
      !StartAsSignedInUser(info))
    return false;
  LogLine(std::wstring(L"started as the signed-in user by the desktop shell: ") + info.lpFile);
  return true;
}

bool StartForUser(SHELLEXECUTEINFOW* info) {
  if (StartThroughDesktopShell(*info)) return true;
  // An unattended run shows no window, not even the shell's error box.
  if (ui::Quiet()) info->fMask |= SEE_MASK_FLAG_NO_UI;
  const bool started = ShellExecuteInfo(info) != 0;
  LogLine(std::wstring(started ? L"started by this program: " : L"could not start: ") +
          (info->lpFile ? info->lpFile : L""));
  return started;
}
