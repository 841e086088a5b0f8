// Windows services through the service control manager.
#pragma once

#include <string>

// Creates an own-process interactive service that runs as LocalSystem and
// starts it at once for start types 2 and 3; writes its "Description". The
// messages "Cannot open SCManager ADMIN ?", "CreateService Failed" and
// "QueryServiceStatus Failed" (title "Info") are the only ones. 1 when the
// service was created, else 0.
int ServiceInstall(const std::wstring& name, const std::wstring& displayName, const std::wstring& programPath,
                   const std::wstring& description, int startType);
// Non-zero when the start (or the stop request) succeeded.
int ServiceStart(const std::wstring& name);
int ServiceStop(const std::wstring& name);
// Stops the service, waits for it to stop (at most 30 seconds, querying every
// 100 ms) and deletes it; on time-out the service stays. Returns 0.
int ServiceRemove(const std::wstring& name);
