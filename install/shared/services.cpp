#include "install/shared/services.h"

#include <vector>

#include "common/event_queue.h"
#include "common/handles.h"
#include "common/message_box.h"
#include "common/prelude.h"
#include "install/messages.h"

namespace {

// Own process, allowed to interact with the desktop.
constexpr DWORD kServiceType = SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS;
// How long a removal waits for the service to stop, and how often it looks.
constexpr DWORD kStopWaitMs = 30000;
constexpr DWORD kStopPollMs = 100;

using ScopedService = ScopedOwner<SC_HANDLE, CloseServiceHandle>;

SC_HANDLE OpenManager() { return OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS); }

SC_HANDLE OpenNamed(SC_HANDLE manager, const std::wstring& name) {
  return OpenServiceW(manager, name.c_str(), SERVICE_ALL_ACCESS);
}

void Inform(ProgressSink& progress, const wchar_t* text) { progress.Message(text, messages::kInfoTitle, MB_OK); }

// Creates the service and starts it when its start type asks for a running
// service. Reports failures to the user. True when it was created.
bool Create(SC_HANDLE manager, const std::wstring& name, const std::wstring& displayName,
            const std::wstring& programPath, int startType, ProgressSink& progress) {
  ScopedService service(CreateServiceW(manager, name.c_str(), displayName.c_str(), SERVICE_ALL_ACCESS, kServiceType,
                                       static_cast<DWORD>(startType), SERVICE_ERROR_NORMAL, programPath.c_str(),
                                       nullptr, nullptr, nullptr, nullptr, nullptr));
  if (!service.get()) {
    Inform(progress, messages::kCreateServiceFailed);
    return false;
  }
  SERVICE_STATUS status = {};
  if (!QueryServiceStatus(service.get(), &status)) {
    Inform(progress, messages::kQueryServiceFailed);
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
                   const std::wstring& description, int startType, ProgressSink& progress) {
  bool created = false;
  {
    ScopedService manager(OpenManager());
    if (!manager.get()) {
      Inform(progress, messages::kNoServiceManager);
      return 0;
    }
    created = Create(manager.get(), name, displayName, programPath, startType, progress);
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

namespace {

std::wstring Text(const wchar_t* s) { return s ? std::wstring(s) : std::wstring(); }

// A list of names, each ending with a null, the list with a second one;
// kept with its inner nulls (the last one is added when it is passed on).
std::wstring NameList(const wchar_t* list) {
  if (!list) return std::wstring();
  const wchar_t* end = list;
  while (*end) end += lstrlenW(end) + 1;
  return std::wstring(list, end);
}

const wchar_t* OrNull(const std::wstring& s) { return s.empty() ? nullptr : s.c_str(); }

bool Running(SC_HANDLE service) {
  SERVICE_STATUS status = {};
  return QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED;
}

}  // namespace

ServiceImage ServiceSnapshot(const std::wstring& name) {
  ServiceImage image;
  ScopedService manager(OpenManager());
  if (!manager.get()) return image;
  ScopedService service(OpenNamed(manager.get(), name));
  if (!service.get()) return image;
  image.exists = true;
  image.running = Running(service.get());
  DWORD need = 0;
  QueryServiceConfigW(service.get(), nullptr, 0, &need);
  std::vector<BYTE> buffer(need ? need : sizeof(QUERY_SERVICE_CONFIGW));
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
  if (QueryServiceConfigW(service.get(), config, static_cast<DWORD>(buffer.size()), &need)) {
    image.type = config->dwServiceType;
    image.startType = config->dwStartType;
    image.errorControl = config->dwErrorControl;
    image.binaryPath = Text(config->lpBinaryPathName);
    image.loadOrderGroup = Text(config->lpLoadOrderGroup);
    image.dependencies = NameList(config->lpDependencies);
    image.account = Text(config->lpServiceStartName);
    image.displayName = Text(config->lpDisplayName);
  }
  ScopedKey key;
  const std::wstring path = L"SYSTEM\\CurrentControlSet\\Services\\" + name;
  wchar_t text[1024] = {};
  DWORD size = sizeof text - sizeof(wchar_t);
  DWORD type = 0;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.out()) == ERROR_SUCCESS &&
      RegQueryValueExW(key.get(), L"Description", nullptr, &type, reinterpret_cast<BYTE*>(text), &size) ==
          ERROR_SUCCESS &&
      type == REG_SZ) {
    image.description = text;
    image.hasDescription = true;
  }
  return image;
}

int ServiceRestore(const std::wstring& name, const ServiceImage& image) {
  if (!image.exists) {
    ServiceRemove(name);  // stops it first
    ScopedService manager(OpenManager());
    ScopedService service(manager.get() ? OpenNamed(manager.get(), name) : nullptr);
    return service.get() ? 0 : 1;
  }
  ScopedService manager(OpenManager());
  if (!manager.get()) return 0;
  ScopedService service(OpenNamed(manager.get(), name));
  if (!service.get() && image.type) {
    const std::wstring dependencies = image.dependencies.empty() ? std::wstring() : image.dependencies + L'\0';
    ScopedService made(CreateServiceW(manager.get(), name.c_str(), image.displayName.c_str(), SERVICE_ALL_ACCESS,
                                      image.type, image.startType, image.errorControl, image.binaryPath.c_str(),
                                      OrNull(image.loadOrderGroup), nullptr, OrNull(dependencies),
                                      OrNull(image.account), nullptr));
    if (!made.get()) return 0;
    if (image.hasDescription) WriteDescription(name, image.description);
    if (image.running) StartServiceW(made.get(), 0, nullptr);
    return 1;
  }
  if (!service.get()) return 0;
  const bool running = Running(service.get());
  SERVICE_STATUS status = {};
  if (image.running && !running) return StartServiceW(service.get(), 0, nullptr) ? 1 : 0;
  if (!image.running && running) return ControlService(service.get(), SERVICE_CONTROL_STOP, &status) ? 1 : 0;
  return 1;
}
