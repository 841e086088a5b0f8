// Programs the tests start, look for and stop.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace drive {

// A started program; its handle is closed with the object.
class Process {
 public:
  Process() = default;
  Process(HANDLE h, DWORD pid) : handle_(h), pid_(pid) {}
  ~Process();
  Process(Process&& o) noexcept;
  Process& operator=(Process&& o) noexcept;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  bool started() const { return handle_ != nullptr; }
  DWORD pid() const { return pid_; }
  HANDLE handle() const { return handle_; }
  bool Running() const;
  // The exit code, or STILL_ACTIVE when the process did not end in time.
  DWORD WaitExit(int timeoutMs = 30000) const;
  void Kill() const;

 private:
  HANDLE handle_ = nullptr;
  DWORD pid_ = 0;
};

// Starts `program` in its own folder with the arguments after its own
// (quoted) name.
Process Start(const std::wstring& program, const std::wstring& arguments = L"");
// Opens a running process by its identifier (not started on failure).
Process Open(DWORD pid);

// A running process as the system lists it: the file name of its program.
struct RunningProcess {
  DWORD pid, parent;
  std::wstring exe;
};
std::vector<RunningProcess> RunningProcesses();
// Identifiers of the running processes with this file name (any case).
std::vector<DWORD> ProcessesNamed(const std::wstring& name);
// Ends the process and waits for its end.
void StopProcess(DWORD pid);
// Ends every running process with this file name and waits for each end.
void StopProcessesNamed(const std::wstring& name);

}  // namespace drive
