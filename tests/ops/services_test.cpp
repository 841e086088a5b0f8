// The service operations against the real service control manager, with a
// real service program (tests/helpers/test_service.cpp).
#include "install/shared/services.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/driver/support.h"
#include "tests/ops/service_boxes.h"

namespace {

using drive::Narrow;

// The command line of the helper service, quoted as a task author would.
std::wstring ServiceProgram(const std::wstring& options = L"") {
  std::wstring line = L"\"" + drive::BinFolder() + L"test_service.exe\"";
  if (!options.empty()) line += L" " + options;
  return line;
}

class Manager {
 public:
  Manager() : h_(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)) {}
  ~Manager() {
    if (h_) CloseServiceHandle(h_);
  }
  SC_HANDLE get() const { return h_; }

 private:
  SC_HANDLE h_;
};

class Service {
 public:
  explicit Service(const std::wstring& name) : h_(nullptr) {
    if (manager_.get()) h_ = OpenServiceW(manager_.get(), name.c_str(), SERVICE_ALL_ACCESS);
  }
  ~Service() {
    if (h_) CloseServiceHandle(h_);
  }
  bool exists() const { return h_ != nullptr; }
  SC_HANDLE get() const { return h_; }
  // The current state, or 0 when the service does not exist.
  DWORD State() const {
    SERVICE_STATUS status = {};
    return h_ && QueryServiceStatus(h_, &status) ? status.dwCurrentState : 0;
  }
  DWORD ProcessId() const {
    SERVICE_STATUS_PROCESS status = {};
    DWORD needed = 0;
    if (!h_ || !QueryServiceStatusEx(h_, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof status,
                                     &needed))
      return 0;
    return status.dwProcessId;
  }

 private:
  Manager manager_;
  SC_HANDLE h_;
};

bool Exists(const std::wstring& name) { return Service(name).exists(); }

bool WaitState(const std::wstring& name, DWORD state, int timeoutMs = 15000) {
  return drive::WaitUntil([&] { return Service(name).State() == state; }, timeoutMs);
}

struct Config {
  DWORD type = 0, startType = 0, errorControl = 0;
  std::wstring path, displayName, group, dependencies, account;
};

Config ReadConfig(const std::wstring& name) {
  Config c;
  Service s(name);
  if (!s.exists()) return c;
  std::vector<BYTE> buffer(8192);
  DWORD needed = 0;
  auto* q = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
  if (!QueryServiceConfigW(s.get(), q, static_cast<DWORD>(buffer.size()), &needed)) return c;
  c.type = q->dwServiceType;
  c.startType = q->dwStartType;
  c.errorControl = q->dwErrorControl;
  auto text = [](const wchar_t* p) { return p ? std::wstring(p) : std::wstring(); };
  c.path = text(q->lpBinaryPathName);
  c.displayName = text(q->lpDisplayName);
  c.group = text(q->lpLoadOrderGroup);
  c.dependencies = text(q->lpDependencies);
  c.account = text(q->lpServiceStartName);
  return c;
}

// The "Description" value of the service's key: present, its text and its
// size in bytes.
struct Description {
  bool present = false;
  DWORD type = 0;
  DWORD bytes = 0;
  std::wstring text;
};

Description ReadDescription(const std::wstring& name) {
  Description d;
  std::string bytes;
  d.present = drive::ReadValue(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Services\\" + name, L"Description",
                               &d.type, &bytes);
  d.bytes = static_cast<DWORD>(bytes.size());
  bytes.append(2, '\0');
  d.text = reinterpret_cast<const wchar_t*>(bytes.c_str());
  return d;
}

std::string Describe(const std::vector<SeenBox>& boxes) {
  std::string s;
  for (const SeenBox& b : boxes) s += "[" + Narrow(b.title) + ": " + Narrow(b.text) + "] ";
  return s;
}

// The operation showed one box: "Info" with this text and OK alone.
void ExpectOneInfoBox(const BoxWatch& boxes, const std::string& text) {
  const std::vector<SeenBox> seen = boxes.Boxes();
  ASSERT_EQ(seen.size(), 1u) << Describe(seen);
  EXPECT_EQ(Narrow(seen[0].title), "Info");
  EXPECT_EQ(Narrow(seen[0].text), text);
  EXPECT_EQ(seen[0].buttons, std::vector<int>{IDOK});
}

SC_HANDLE WINAPI RefusingManager(LPCWSTR, LPCWSTR, DWORD) {
  SetLastError(ERROR_ACCESS_DENIED);
  return nullptr;
}

BOOL WINAPI UnreadableStatus(SC_HANDLE, LPSERVICE_STATUS) {
  SetLastError(ERROR_ACCESS_DENIED);
  return FALSE;
}

class ServiceTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const std::wstring& name : created_) ForceRemove(name);
    for (const std::wstring& file : files_) DeleteFileW(file.c_str());
  }

  // A service name of this test, removed again at the end.
  std::wstring NewName(const std::wstring& tag) {
    std::wstring name = L"TarnTest" + tag + std::to_wstring(GetCurrentProcessId()) + L"_" +
                        std::to_wstring(created_.size());
    created_.push_back(name);
    return name;
  }

  // Removes a service whatever state it is in; ends its program when it
  // does not stop.
  static void ForceRemove(const std::wstring& name) {
    Service s(name);
    if (!s.exists()) return;
    SERVICE_STATUS status = {};
    ControlService(s.get(), SERVICE_CONTROL_STOP, &status);
    if (!WaitState(name, SERVICE_STOPPED, 5000)) KillProgram(name);
    DeleteService(s.get());
  }

  static void KillProgram(const std::wstring& name) {
    DWORD pid = Service(name).ProcessId();
    HANDLE process = pid ? OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid) : nullptr;
    if (!process) return;
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
  }

  // A file name in the temporary folder, deleted again at the end.
  std::wstring TempFile(const std::wstring& name) {
    files_.push_back(drive::TempFolder() + name);
    DeleteFileW(files_.back().c_str());
    return files_.back();
  }

  std::vector<std::wstring> created_;
  std::vector<std::wstring> files_;
};

TEST_F(ServiceTest, DemandAndAutoStartTypesAreCreatedAndStartedAtOnce) {
  for (int startType : {SERVICE_DEMAND_START, SERVICE_AUTO_START}) {
    SCOPED_TRACE("start type " + std::to_string(startType));
    const std::wstring name = NewName(L"Run");
    const std::wstring display = L"Tarn test service " + std::to_wstring(startType);
    const std::wstring description = L"Runs for the tests \u00e9";
    BoxWatch boxes;
    EXPECT_EQ(ServiceInstall(name, display, ServiceProgram(), description, startType, g_boxes), 1);
    EXPECT_TRUE(WaitState(name, SERVICE_RUNNING)) << "state " << Service(name).State();
    EXPECT_TRUE(boxes.Boxes().empty()) << Describe(boxes.Boxes());

    Config c = ReadConfig(name);
    EXPECT_EQ(c.type, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS));
    EXPECT_EQ(c.startType, static_cast<DWORD>(startType));
    EXPECT_EQ(c.errorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
    EXPECT_EQ(Narrow(c.path), Narrow(ServiceProgram()));
    EXPECT_EQ(Narrow(c.displayName), Narrow(display));
    EXPECT_EQ(Narrow(c.group), "");
    EXPECT_EQ(Narrow(c.dependencies), "");
    EXPECT_TRUE(c.account.empty() || _wcsicmp(c.account.c_str(), L"LocalSystem") == 0) << Narrow(c.account);

    Description d = ReadDescription(name);
    ASSERT_TRUE(d.present);
    EXPECT_EQ(d.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(Narrow(d.text), Narrow(description));
    EXPECT_EQ(d.bytes, 2 * (description.size() + 1));
  }
}

TEST_F(ServiceTest, DisabledServiceStaysStoppedAndEmptyDescriptionWritesNoValue) {
  const std::wstring name = NewName(L"Off");
  BoxWatch boxes;
  EXPECT_EQ(ServiceInstall(name, L"Tarn disabled", ServiceProgram(), L"", SERVICE_DISABLED, g_boxes), 1);
  // A start the installation asked for would show now: the manager takes a
  // start request before it answers it (and refuses it for a disabled
  // service).
  EXPECT_EQ(Service(name).State(), static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_EQ(ReadConfig(name).startType, static_cast<DWORD>(SERVICE_DISABLED));
  EXPECT_FALSE(ReadDescription(name).present);
  // A disabled service cannot be started.
  EXPECT_EQ(ServiceStart(name), 0);
  EXPECT_EQ(Service(name).State(), static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_TRUE(boxes.Boxes().empty()) << Describe(boxes.Boxes());
}

TEST_F(ServiceTest, ExistingNameIsReportedAndGetsTheNewDescription) {
  const std::wstring name = NewName(L"Twice");
  {
    BoxWatch boxes;
    ASSERT_EQ(ServiceInstall(name, L"Tarn first", ServiceProgram(), L"first text", SERVICE_DISABLED, g_boxes), 1);
    EXPECT_TRUE(boxes.Boxes().empty()) << Describe(boxes.Boxes());
  }
  BoxWatch boxes;
  EXPECT_EQ(ServiceInstall(name, L"Tarn second", ServiceProgram(L"--stop-delay=1"), L"second",
                           SERVICE_DEMAND_START, g_boxes), 0);
  ASSERT_NO_FATAL_FAILURE(ExpectOneInfoBox(boxes, "CreateService Failed"));

  Description d = ReadDescription(name);
  ASSERT_TRUE(d.present);
  EXPECT_EQ(Narrow(d.text), "second");
  EXPECT_EQ(d.bytes, 2u * (6 + 1));
  // The existing service itself is unchanged and not started.
  Config c = ReadConfig(name);
  EXPECT_EQ(Narrow(c.displayName), "Tarn first");
  EXPECT_EQ(Narrow(c.path), Narrow(ServiceProgram()));
  EXPECT_EQ(c.startType, static_cast<DWORD>(SERVICE_DISABLED));
  EXPECT_EQ(Service(name).State(), static_cast<DWORD>(SERVICE_STOPPED));
}

// Wine grants every program the service manager: the refusal that an
// account without administrator rights gets comes from a refusing
// OpenSCManagerW for the one call.
TEST_F(ServiceTest, RefusedManagerIsReportedAndNothingIsCreated) {
  const std::wstring name = NewName(L"Refused");
  BoxWatch boxes;
  int result = -1;
  {
    drive::ImportSwap refusing("OpenSCManagerW", reinterpret_cast<ULONG_PTR>(&RefusingManager));
    ASSERT_TRUE(refusing.swapped()) << "this program imports no OpenSCManagerW";
    result = ServiceInstall(name, L"Tarn refused", ServiceProgram(), L"never written", SERVICE_DEMAND_START, g_boxes);
  }
  EXPECT_EQ(result, 0);
  ASSERT_NO_FATAL_FAILURE(ExpectOneInfoBox(boxes, "Cannot open SCManager ADMIN ?"));
  EXPECT_FALSE(Exists(name));
  EXPECT_FALSE(ReadDescription(name).present);
}

// The status of a service just created is always there under Wine; a
// failing QueryServiceStatus for the one call stands for a system that
// cannot tell it.
TEST_F(ServiceTest, UnreadableStatusIsReportedAndTheServiceIsNotStarted) {
  const std::wstring name = NewName(L"NoStatus");
  BoxWatch boxes;
  int result = -1;
  {
    drive::ImportSwap unreadable("QueryServiceStatus", reinterpret_cast<ULONG_PTR>(&UnreadableStatus));
    ASSERT_TRUE(unreadable.swapped()) << "this program imports no QueryServiceStatus";
    result = ServiceInstall(name, L"Tarn no status", ServiceProgram(), L"still written", SERVICE_DEMAND_START, g_boxes);
  }
  EXPECT_EQ(result, 1);
  ASSERT_NO_FATAL_FAILURE(ExpectOneInfoBox(boxes, "QueryServiceStatus Failed"));
  EXPECT_TRUE(Exists(name));
  // A start would show in the state already (see the disabled service).
  EXPECT_EQ(Service(name).State(), static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_EQ(Narrow(ReadDescription(name).text), "still written");
}

TEST_F(ServiceTest, StartAndStopReportWhetherTheyWorked) {
  const std::wstring name = NewName(L"Toggle");
  BoxWatch boxes;
  ASSERT_EQ(ServiceInstall(name, L"Tarn toggle", ServiceProgram(), L"", SERVICE_DEMAND_START, g_boxes), 1);
  ASSERT_TRUE(WaitState(name, SERVICE_RUNNING));
  EXPECT_EQ(ServiceStart(name), 0) << "already running";

  EXPECT_NE(ServiceStop(name), 0);
  EXPECT_TRUE(WaitState(name, SERVICE_STOPPED));
  EXPECT_EQ(ServiceStop(name), 0) << "already stopped";

  EXPECT_NE(ServiceStart(name), 0);
  EXPECT_TRUE(WaitState(name, SERVICE_RUNNING));
  EXPECT_TRUE(boxes.Boxes().empty()) << Describe(boxes.Boxes());
}

TEST_F(ServiceTest, RemoveWaitsForTheStopThenDeletes) {
  BoxWatch boxes;
  // Running, and slow to stop: the removal has to wait for it. The service
  // notes its stop in a file just before it reports it.
  const std::wstring running = NewName(L"Slow");
  const std::wstring marker = TempFile(running + L".stopped");
  ASSERT_EQ(ServiceInstall(running, L"Tarn slow",
                           ServiceProgram(L"--stop-delay=1500 \"--stopped-marker=" + marker + L"\""), L"slow",
                           SERVICE_DEMAND_START, g_boxes),
            1);
  ASSERT_TRUE(WaitState(running, SERVICE_RUNNING));
  EXPECT_EQ(ServiceRemove(running), 0);
  EXPECT_TRUE(drive::Exists(marker)) << "the removal did not wait for the service to stop";
  EXPECT_FALSE(Exists(running));

  // Already stopped: deleted without the wait for a stop, which would take
  // 30 seconds.
  const std::wstring stopped = NewName(L"Idle");
  ASSERT_EQ(ServiceInstall(stopped, L"Tarn idle", ServiceProgram(), L"", SERVICE_DISABLED, g_boxes), 1);
  const DWORD start = GetTickCount();
  EXPECT_EQ(ServiceRemove(stopped), 0);
  EXPECT_LT(GetTickCount() - start, 15000u);
  EXPECT_FALSE(Exists(stopped));
  EXPECT_TRUE(boxes.Boxes().empty()) << Describe(boxes.Boxes());
}

// Put back as the image found it: a running service that was removed is
// there again with its configuration and description, and runs; one that
// did not exist is removed again.
TEST_F(ServiceTest, RestoreBringsBackTheServiceAsItWas) {
  const std::wstring name = NewName(L"Back");
  ASSERT_EQ(ServiceInstall(name, L"Tarn back", ServiceProgram(), L"was here", SERVICE_DEMAND_START, g_boxes), 1);
  ASSERT_TRUE(WaitState(name, SERVICE_RUNNING));
  const ServiceImage before = ServiceSnapshot(name);
  ServiceRemove(name);
  ASSERT_TRUE(drive::WaitUntil([&] { return !Exists(name); }));
  EXPECT_EQ(ServiceRestore(name, before), 1);
  EXPECT_TRUE(WaitState(name, SERVICE_RUNNING));
  const Config c = ReadConfig(name);
  EXPECT_EQ(Narrow(c.displayName), "Tarn back");
  EXPECT_EQ(Narrow(c.path), Narrow(ServiceProgram()));
  EXPECT_EQ(c.startType, static_cast<DWORD>(SERVICE_DEMAND_START));
  EXPECT_EQ(Narrow(ReadDescription(name).text), "was here");

  const std::wstring made = NewName(L"Made");
  const ServiceImage none = ServiceSnapshot(made);
  ASSERT_EQ(ServiceInstall(made, L"Tarn made", ServiceProgram(), L"", SERVICE_DEMAND_START, g_boxes), 1);
  EXPECT_EQ(ServiceRestore(made, none), 1);
  EXPECT_FALSE(Exists(made));
}

TEST_F(ServiceTest, UnknownNamesDoNothingAndShowNothing) {
  const std::wstring name = L"TarnTestNoSuchService" + std::to_wstring(GetCurrentProcessId());
  BoxWatch boxes;
  EXPECT_EQ(ServiceStart(name), 0);
  EXPECT_EQ(ServiceStop(name), 0);
  EXPECT_EQ(ServiceRemove(name), 0);
  EXPECT_FALSE(Exists(name));
  EXPECT_TRUE(boxes.Boxes().empty()) << Describe(boxes.Boxes());
}

// Takes the full stop wait of 30 seconds.
TEST_F(ServiceTest, RemoveLeavesAServiceThatDoesNotStop) {
  const std::wstring name = NewName(L"Stuck");
  BoxWatch boxes;
  ASSERT_EQ(ServiceInstall(name, L"Tarn stuck", ServiceProgram(L"--ignore-stop"), L"", SERVICE_DEMAND_START, g_boxes),
            1);
  ASSERT_TRUE(WaitState(name, SERVICE_RUNNING));
  const DWORD start = GetTickCount();
  EXPECT_EQ(ServiceRemove(name), 0);
  // The full wait, but an end to it.
  const DWORD took = GetTickCount() - start;
  EXPECT_GE(took, 29000u);
  EXPECT_LT(took, 90000u);
  EXPECT_TRUE(Exists(name));
  EXPECT_EQ(Service(name).State(), static_cast<DWORD>(SERVICE_STOP_PENDING));
  EXPECT_TRUE(boxes.Boxes().empty()) << Describe(boxes.Boxes());
  KillProgram(name);
  DeleteService(Service(name).get());
}

}  // namespace
