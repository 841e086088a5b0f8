// Windows services through the service control manager.
#pragma once

#include <string>

#include "common/prelude.h"
#include "common/progress_sink.h"

// Creates an own-process interactive service that runs as LocalSystem and
// starts it at once for start types 2 and 3; writes its "Description". The
// messages "Cannot open SCManager ADMIN ?", "CreateService Failed" and
// "QueryServiceStatus Failed" (title "Info"), shown through the sink, are
// the only ones. 1 when the service was created, else 0.
int ServiceInstall(const std::wstring& name, const std::wstring& displayName, const std::wstring& programPath,
                   const std::wstring& description, int startType, ProgressSink& progress);
// Non-zero when the start (or the stop request) succeeded.
int ServiceStart(const std::wstring& name);
int ServiceStop(const std::wstring& name);
// Stops the service, waits for it to stop (at most 30 seconds, querying every
// 100 ms) and deletes it; on time-out the service stays. Returns 0.
int ServiceRemove(const std::wstring& name);

// A service as a rollback puts it back: its configuration as the service
// control manager reports it (QueryServiceConfigW), its description and
// whether it ran. Not kept: an account's password (a service that ran under
// a user account is re-created without one and will not start until it is
// given again), failure actions and the key's other values.
struct ServiceImage {
  bool exists = false;
  bool running = false;
  DWORD type = 0, startType = 0, errorControl = 0;
  std::wstring binaryPath, loadOrderGroup, dependencies, account, displayName, description;
  bool hasDescription = false;
};
ServiceImage ServiceSnapshot(const std::wstring& name);
// Brings the service back to its image: one that did not exist is stopped
// and removed; one that did is re-created when it is gone (a service still
// marked for deletion cannot be until its last handle closes) and started
// or stopped as it was. 1 when the service is as the image says.
int ServiceRestore(const std::wstring& name, const ServiceImage& image);
