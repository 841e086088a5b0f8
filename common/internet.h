// The Internet client library (WinINet), loaded from the system folder at
// run time so that a library of that name beside the program is never used.
// The entries the download needs are looked up with the other run-time
// look-ups (common/system_api.cpp).
#pragma once

#include "common/prelude.h"

#include <wininet.h>

struct InternetApi {
  decltype(&InternetOpenW) open;
  decltype(&InternetOpenUrlW) openUrl;
  decltype(&InternetConnectW) connect;
  decltype(&HttpOpenRequestW) openRequest;
  decltype(&HttpSendRequestW) sendRequest;
  decltype(&HttpQueryInfoW) queryInfo;
  decltype(&InternetReadFile) readFile;
  decltype(&InternetCloseHandle) closeHandle;
};

// The entries, loaded on first use; the library then stays loaded until the
// process ends. Null when the library or one of the entries is missing.
const InternetApi* Internet();

// Closes an Internet handle when it goes out of scope.
class ScopedInternet {
 public:
  explicit ScopedInternet(HINTERNET h) : h_(h) {}
  ~ScopedInternet() {
    if (h_) Internet()->closeHandle(h_);
  }
  ScopedInternet(const ScopedInternet&) = delete;
  ScopedInternet& operator=(const ScopedInternet&) = delete;
  HINTERNET get() const { return h_; }

 private:
  HINTERNET h_;
};
