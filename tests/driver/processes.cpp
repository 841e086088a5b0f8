#include "tests/driver/processes.h"

#include <tlhelp32.h>

namespace drive {

Process::~Process() {
  if (handle_) CloseHandle(handle_);
}

Process::Process(Process&& o) noexcept : handle_(o.handle_), pid_(o.pid_) { o.handle_ = nullptr; }

Process& Process::operator=(Process&& o) noexcept {
  if (this != &o) {
    if (handle_) CloseHandle(handle_);
    handle_ = o.handle_;
    pid_ = o.pid_;
    o.handle_ = nullptr;
  }
  return *this;
}

bool Process::Running() const { return handle_ && WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT; }

DWORD Process::WaitExit(int timeoutMs) const {
  if (!handle_) return STILL_ACTIVE;
  if (WaitForSingleObject(handle_, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0) return STILL_ACTIVE;
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(handle_, &code);
  return code;
}

void Process::Kill() const {
  if (Running()) {
    TerminateProcess(handle_, 99);
    WaitForSingleObject(handle_, 5000);
  }
}

Process Start(const std::wstring& program, const std::wstring& arguments) {
  std::wstring commandLine = L"\"" + program + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  std::wstring folder = program.substr(0, program.find_last_of(L"\\/") + 1);
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &si, &pi))
    return Process();
  CloseHandle(pi.hThread);
  return Process(pi.hProcess, pi.dwProcessId);
}

Process Open(DWORD pid) {
  HANDLE h = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
  return h ? Process(h, pid) : Process();
}

std::vector<RunningProcess> RunningProcesses() {
  std::vector<RunningProcess> out;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return out;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
    std::wstring exe = entry.szExeFile;
    out.push_back({entry.th32ProcessID, entry.th32ParentProcessID, exe.substr(exe.find_last_of(L"\\/") + 1)});
  }
  CloseHandle(snapshot);
  return out;
}

std::vector<DWORD> ProcessesNamed(const std::wstring& name) {
  std::vector<DWORD> ids;
  for (const RunningProcess& p : RunningProcesses())
    if (lstrcmpiW(p.exe.c_str(), name.c_str()) == 0) ids.push_back(p.pid);
  return ids;
}

void StopProcess(DWORD pid) {
  HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
  if (!h) return;
  TerminateProcess(h, 99);
  WaitForSingleObject(h, 10000);
  CloseHandle(h);
}

void StopProcessesNamed(const std::wstring& name) {
  for (DWORD pid : ProcessesNamed(name)) StopProcess(pid);
}

}  // namespace drive
