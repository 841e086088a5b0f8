// A small Windows service for the service tests: it runs until the service
// control manager asks it to stop.
//
//   test_service.exe [--stop-delay=MS] [--stopped-marker=FILE] [--ignore-stop]
//
// --stop-delay keeps it in the stop-pending state for MS milliseconds before
// it reports that it stopped; --stopped-marker writes FILE just before that
// report, so that a test can tell what came after it; --ignore-stop makes it
// hang in the stop-pending state.
#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

SERVICE_STATUS_HANDLE g_handle;
SERVICE_STATUS g_status;
HANDLE g_stopRequested;
DWORD g_stopDelay;
const char* g_stoppedMarker;
bool g_ignoreStop;

void Report(DWORD state) {
  g_status.dwServiceType = SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS;
  g_status.dwCurrentState = state;
  g_status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
  g_status.dwWin32ExitCode = NO_ERROR;
  g_status.dwWaitHint = state == SERVICE_RUNNING || state == SERVICE_STOPPED ? 0 : 3000;
  ++g_status.dwCheckPoint;
  SetServiceStatus(g_handle, &g_status);
}

DWORD WINAPI Control(DWORD control, DWORD, void*, void*) {
  switch (control) {
    case SERVICE_CONTROL_STOP:
      Report(SERVICE_STOP_PENDING);
      if (!g_ignoreStop) SetEvent(g_stopRequested);
      return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
      SetServiceStatus(g_handle, &g_status);
      return NO_ERROR;
    default:
      return ERROR_CALL_NOT_IMPLEMENTED;
  }
}

void WINAPI ServiceMain(DWORD argc, wchar_t** argv) {
  g_handle = RegisterServiceCtrlHandlerExW(argc > 0 ? argv[0] : L"", Control, nullptr);
  if (!g_handle) return;
  Report(SERVICE_START_PENDING);
  Report(SERVICE_RUNNING);
  WaitForSingleObject(g_stopRequested, INFINITE);
  Sleep(g_stopDelay);
  if (g_stoppedMarker) {
    HANDLE marker = CreateFileA(g_stoppedMarker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
  }
  Report(SERVICE_STOPPED);
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--stop-delay=", 13) == 0) g_stopDelay = static_cast<DWORD>(std::atoi(argv[i] + 13));
    if (std::strncmp(argv[i], "--stopped-marker=", 17) == 0) g_stoppedMarker = argv[i] + 17;
    if (std::strcmp(argv[i], "--ignore-stop") == 0) g_ignoreStop = true;
  }
  g_stopRequested = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  wchar_t name[] = L"";
  SERVICE_TABLE_ENTRYW table[] = {{name, ServiceMain}, {nullptr, nullptr}};
  return StartServiceCtrlDispatcherW(table) ? 0 : 1;
}
