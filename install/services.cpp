#include "install/services.h"

#include "common/handles.h"
#include "common/prelude.h"
#include "common/toolkit.h"
#include "install/messages.h"

namespace {

// Own process, allowed to interact with the desktop.
constexpr DWORD kServiceType = SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS;
// How long a removal waits for the service to stop, and how often it looks.
constexpr DWORD kStopWaitMs = 30000;
constexpr DWORD kStopPollMs = 100;

class ScopedService {
 public:
  explicit ScopedService(SC_HANDLE h) : h_(h) {}
  ~ScopedService() {
    if (h_) CloseServiceHandle(h_);
  }
  ScopedService(const ScopedService&) = delete;
  ScopedService& operator=(const ScopedService&) = delete;
  SC_HANDLE get() const { return h_; }

 private:
  SC_HANDLE h_;
};

SC_HANDLE OpenManager() { return OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS); }

SC_HANDLE OpenNamed(SC_HANDLE manager, const std::wstring& name) {
  return OpenServiceW(manager, name.c_str(), SERVICE_ALL_ACCESS);
}

void Inform(const wchar_t* text) { ui::Message(text, messages::kInfoTitle, MB_OK); }

// Creates the service and starts it when its start type asks for a running
// service. Reports failures to the user. True when it was created.
bool Create(SC_HANDLE manager, const std::wstring& name, const std::wstring& displayName,
            const std::wstring& programPath, int startType) {
  ScopedService service(CreateServiceW(manager, name.c_str(), displayName.c_str(), SERVICE_ALL_ACCESS, kServiceType,
                                       static_cast<DWORD>(startType), SERVICE_ERROR_NORMAL, programPath.c_str(),
                                       nullptr, nullptr, nullptr, nullptr, nullptr));
  if (!service.get()) {
    Inform(messages::kCreateServiceFailed);
    return false;
  }
  SERVICE_STATUS status = {};
  if (!QueryServiceStatus(service.get(), &status)) {
    Inform(messages::kQueryServiceFailed);
    return true;
  }
  if (status.dwCurrentState == SERVICE_STOPPED && (startType == SERVICE_AUTO_START || startType == SERVICE_DEMAND_START))
    StartServiceW(service.get(), 0, nullptr);
  return true;
}

void WriteDescription(const std::wstring& name, const std::wstring& description) {
  ScopedKey key;
  const std::wstring path = L"SYSTEM\\CurrentControlSet\\Services\\" + name;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS, key.out()) != ERROR_SUCCESS) return;
  RegSetValueExW(key.get(), L"Description", 0, REG_SZ, reinterpret_cast<const BYTE*>(description.c_str()),
                 static_cast<DWORD>((description.size() + 1) * sizeof(wchar_t)));
}

}  // namespace

int ServiceInstall(const std::wstring& name, const std::wstring& displayName, const std::wstring& programPath,
                   const std::wstring& description, int startType) {
  bool created = false;
  {
    ScopedService manager(OpenManager());
    if (!manager.get()) {
      Inform(messages::kNoServiceManager);
      return 0;
    }
    created = Create(manager.get(), name, displayName, programPath, startType);
  }
  // Also after a failed creation: an existing service of that name gets the
  // new description.
  if (!description.empty()) WriteDescription(name, description);
  return created ? 1 : 0;
}

int ServiceStart(const std::wstring& name) {
  ScopedService manager(OpenManager());
  if (!manager.get()) return 0;
  ScopedService service(OpenNamed(manager.get(), name));
  if (!service.get()) return 0;
  return StartServiceW(service.get(), 0, nullptr);
}

int ServiceStop(const std::wstring& name) {
  ScopedService manager(OpenManager());
  if (!manager.get()) return 0;
  ScopedService service(OpenNamed(manager.get(), name));
  if (!service.get()) return 0;
  SERVICE_STATUS status = {};
  return ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
}

int ServiceRemove(const std::wstring& name) {
  ScopedService manager(OpenManager());
  if (!manager.get()) return 0;
  ScopedService service(OpenNamed(manager.get(), name));
  if (!service.get()) return 0;
  SERVICE_STATUS status = {};
  ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
  // A service that does not stop in time stays installed.
  for (DWORD waited = 0;; waited += kStopPollMs) {
    if (!QueryServiceStatus(service.get(), &status)) break;
    if (status.dwCurrentState == SERVICE_STOPPED) {
      DeleteService(service.get());
      break;
    }
    if (waited >= kStopWaitMs) break;
    ui::WaitServing(nullptr, kStopPollMs);  // the windows keep answering meanwhile
  }
  return 0;
}
