#include "tests/e2e/e2e_support.h"

#include <objbase.h>
#include <shlobj.h>

#include <map>

#include "wizard/controls.h"

namespace {

std::wstring Trim(const std::wstring& s) {
  size_t a = s.find_first_not_of(L" \t");
  if (a == std::wstring::npos) return std::wstring();
  size_t b = s.find_last_not_of(L" \t");
  return s.substr(a, b - a + 1);
}

// The [LocalizationStub] texts of the shipped English language file; the
// first of a doubled key counts.
std::map<int, std::wstring> ReadEnglishTexts() {
  std::map<int, std::wstring> out;
  std::string bytes = ReadFileBytes(drive::BinFolder() + L"data\\languages\\English.ini");
  if (bytes.compare(0, 3, kBom) == 0) bytes.erase(0, 3);
  std::wstring all = Widen(bytes), group;
  for (size_t start = 0; start < all.size();) {
    size_t end = all.find_first_of(L"\r\n", start);
    if (end == std::wstring::npos) end = all.size();
    std::wstring line = Trim(all.substr(start, end - start));
    start = end + 1;
    if (line.empty() || line[0] == L';') continue;
    if (line[0] == L'[') {
      group = line.substr(1, line.find(L']') - 1);
      continue;
    }
    size_t eq = line.find(L'=');
    if (group != L"LocalizationStub" || eq == std::wstring::npos) continue;
    std::wstring key = Trim(line.substr(0, eq));
    if (key.compare(0, 3, L"Key") != 0) continue;
    int n = _wtoi(key.c_str() + 3);
    if (!out.count(n)) out[n] = Trim(line.substr(eq + 1));
  }
  return out;
}

}  // namespace

// ---------------------------------------------------------------------------
// Files and folders.

std::wstring ShellPath(int csidl) {
  wchar_t buf[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf))) return std::wstring();
  std::wstring path = buf;
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  return path;
}

std::wstring CommonPrograms() { return ShellPath(CSIDL_COMMON_PROGRAMS); }

// ---------------------------------------------------------------------------
// The uninstall data file.

std::vector<std::string> Section(const std::wstring& file, const std::string& name) {
  std::string bytes = ReadFileBytes(file);
  std::vector<std::string> out;
  bool inside = false;
  for (size_t at = 0, end; (end = bytes.find("\r\n", at)) != std::string::npos; at = end + 2) {
    std::string line = bytes.substr(at, end - at);
    if (!line.empty() && line[0] == '[') {
      inside = line == "[" + name + "]";
      continue;
    }
    if (inside) out.push_back(line);
  }
  return out;
}

std::string Value(const std::vector<std::string>& section, const std::string& key) {
  for (const std::string& e : section)
    if (e.rfind(key + " = ", 0) == 0) return e.substr(key.size() + 3);
  return std::string();
}

bool HasSection(const std::wstring& file, const std::string& name) {
  return ReadFileBytes(file).find("\r\n[" + name + "]\r\n") != std::string::npos;
}

// ---------------------------------------------------------------------------
// Shell links.

Link ReadLink(const std::wstring& path) {
  Link l;
  HRESULT init = CoInitialize(nullptr);
  IShellLinkW* link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                 reinterpret_cast<void**>(&link)))) {
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      if (SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
        l.loaded = true;
        wchar_t buf[MAX_PATH * 2] = {};
        link->GetPath(buf, MAX_PATH, nullptr, SLGP_RAWPATH);
        l.target = buf;
        buf[0] = 0;
        link->GetWorkingDirectory(buf, MAX_PATH);
        l.folder = buf;
        buf[0] = 0;
        link->GetDescription(buf, MAX_PATH);
        l.description = buf;
        buf[0] = 0;
        link->GetIconLocation(buf, MAX_PATH, &l.iconIndex);
        l.icon = buf;
        link->GetShowCmd(&l.show);
      }
      file->Release();
    }
    link->Release();
  }
  if (SUCCEEDED(init)) CoUninitialize();
  return l;
}

// ---------------------------------------------------------------------------
// Processes and services.

bool NeverStarted(const std::wstring& exeName, const std::wstring& report) {
  return ProcessesNamed(exeName).empty() && !FileExists(report);
}

bool ServiceExists(const std::wstring& name) {
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  SC_HANDLE service = manager ? OpenServiceW(manager, name.c_str(), SERVICE_QUERY_STATUS) : nullptr;
  if (service) CloseServiceHandle(service);
  if (manager) CloseServiceHandle(manager);
  return service != nullptr;
}

void RemoveService(const std::wstring& name, int waitMs) {
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (!manager) return;
  if (SC_HANDLE service = OpenServiceW(manager, name.c_str(), SERVICE_ALL_ACCESS)) {
    SERVICE_STATUS status;
    ControlService(service, SERVICE_CONTROL_STOP, &status);
    if (waitMs > 0) {
      drive::WaitUntil(
          [&] { return !QueryServiceStatus(service, &status) || status.dwCurrentState == SERVICE_STOPPED; }, waitMs);
    }
    DeleteService(service);
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
}

drive::Process WaitSecondStage(const drive::Process& first, std::wstring* name) {
  drive::Process stage;
  drive::WaitUntil(
      [&] {
        for (const drive::RunningProcess& p : drive::RunningProcesses()) {
          // Only the numbered copy: Wine may start its desktop program from here too.
          const std::wstring& exe = p.exe;
          if (p.parent != first.pid() || exe.size() < 5 || exe.find_first_not_of(L"0123456789") != exe.size() - 4 ||
              exe.substr(exe.size() - 4) != L".exe")
            continue;
          stage = drive::Open(p.pid);
          if (!stage.started()) continue;
          // The copy has a folder of its own in the temporary folder, named
          // like it.
          *name = exe.substr(0, exe.size() - 4) + L"\\" + exe;
          break;
        }
        return stage.started();
      },
      15000);
  return stage;
}

// ---------------------------------------------------------------------------
// The installation.

void DemoInstallTest::SetUp() {
  PackageTest::SetUp();
  dest_ = Dir() + L"dest\\";
  group_ = CommonPrograms() + L"Demo App\\";
  RemoveTree(group_);
  drive::DeleteKeyTree(HKEY_LOCAL_MACHINE, std::wstring(kUninstallKey) + L"Demo App");
}

void DemoInstallTest::TearDown() {
  RemoveTree(group_);
  drive::DeleteKeyTree(HKEY_LOCAL_MACHINE, std::wstring(kUninstallKey) + L"Demo App");
  PackageTest::TearDown();
}

void DemoInstallTest::PressFinish(HWND w, const drive::Process& p) {
  EXPECT_TRUE(drive::Click(w, kFinishButton));
  EXPECT_EQ(p.WaitExit(), 0u);
}

// ---------------------------------------------------------------------------
// The wizard.

std::wstring T(int key) {
  static const std::map<int, std::wstring> texts = ReadEnglishTexts();
  auto it = texts.find(key);
  return it == texts.end() ? std::wstring() : it->second;
}

std::wstring WizardTest::Recorder(const std::wstring& relative) {
  Write(relative, ReadFileBytes(BinFolder() + L"wizard_recorder.exe"));
  return Dir() + relative;
}

void WizardTest::CancelWizard(const drive::Process& p, HWND w) {
  ASSERT_TRUE(drive::Click(w, kCancelButton));
  EXPECT_MESSAGE(p, T(65), T(66), drive::Icon::kError, IDYES);
  EXPECT_EQ(p.WaitExit(), 0u);
}

void WizardTest::CancelAndConfirm(const drive::Process& p, HWND w) {
  CancelWizard(p, w);
  EXPECT_TRUE(NewWorkFolders().empty());
}

void WizardTest::FinishAndExpectEnd(const drive::Process& p, HWND w) {
  drive::Click(w, kFinishButton);  // the run ends while the click is handled
  EXPECT_EQ(p.WaitExit(), 0u);
  EXPECT_TRUE(NewWorkFolders().empty());
}
