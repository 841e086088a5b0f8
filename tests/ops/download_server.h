// A small HTTP/1.1 server on 127.0.0.1 for the download tests, running on
// threads of the test program. It answers GET and HEAD from a table of
// paths, one request per connection, and records every request it gets.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct Reply {
  int status = 200;
  std::string body;
  bool withLength = true;  // send "Content-Length"
  // Ends the connection after this many bytes of the body: gracefully, or
  // with a reset when `reset` is set.
  size_t cutAfter = std::string::npos;
  bool reset = false;
  // Sends this many bytes of the body, then waits until the event (the
  // test's) is set before it sends the rest.
  size_t holdAfter = std::string::npos;
  HANDLE release = nullptr;
};

struct ReceivedRequest {
  std::string method;
  std::string path;
  std::string version;
};

class DownloadServer {
 public:
  // Listens on port 80 when it can, else on a free port.
  DownloadServer();
  ~DownloadServer();
  DownloadServer(const DownloadServer&) = delete;
  DownloadServer& operator=(const DownloadServer&) = delete;

  bool listening() const { return listener_ != INVALID_SOCKET; }
  bool onPort80() const { return port_ == 80; }
  // Why port 80 could not be used.
  const std::string& port80Problem() const { return port80Problem_; }

  void Serve(const std::string& path, const Reply& reply);
  // "http://127.0.0.1" (with ":port" unless on port 80) followed by `path`.
  std::wstring Url(const std::string& path) const;

  std::vector<ReceivedRequest> Requests() const;
  size_t RequestCount() const;
  void ClearRequests();

 private:
  void AcceptLoop();
  void Answer(SOCKET client);

  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  std::string port80Problem_;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::map<std::string, Reply> replies_;
  std::vector<ReceivedRequest> requests_;
  std::vector<std::thread> connections_;
  std::thread acceptor_;
};

// A port on 127.0.0.1 where nothing listens.
int UnusedPort();
