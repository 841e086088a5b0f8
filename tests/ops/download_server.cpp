#include "tests/ops/download_server.h"

#include <ws2tcpip.h>

namespace {

const char* Reason(int status) {
  switch (status) {
    case 200: return "OK";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
  }
}

bool SendAll(SOCKET s, const char* data, size_t size) {
  while (size) {
    int n = send(s, data, static_cast<int>(size > 65536 ? 65536 : size), 0);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

SOCKET Listen(int port, std::string* problem) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) {
    *problem = "socket() failed: " + std::to_string(WSAGetLastError());
    return s;
  }
  BOOL yes = TRUE;
  setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&yes), sizeof yes);
  sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<u_short>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(s, 16) != 0) {
    *problem = "bind or listen on 127.0.0.1:" + std::to_string(port) + " failed, error " +
               std::to_string(WSAGetLastError());
    closesocket(s);
    return INVALID_SOCKET;
  }
  return s;
}

int PortOf(SOCKET s) {
  sockaddr_in a = {};
  int size = sizeof a;
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &size);
  return ntohs(a.sin_port);
}

}  // namespace

DownloadServer::DownloadServer() {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  listener_ = Listen(80, &port80Problem_);
  if (listener_ == INVALID_SOCKET) {
    std::string ignored;
    listener_ = Listen(0, &ignored);
  }
  if (listener_ == INVALID_SOCKET) return;
  port_ = PortOf(listener_);
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

DownloadServer::~DownloadServer() {
  stop_ = true;
  if (acceptor_.joinable()) acceptor_.join();
  if (listener_ != INVALID_SOCKET) closesocket(listener_);
  for (std::thread& t : connections_) t.join();
  WSACleanup();
}

void DownloadServer::Serve(const std::string& path, const Reply& reply) {
  std::lock_guard<std::mutex> lock(mutex_);
  replies_[path] = reply;
}

std::wstring DownloadServer::Url(const std::string& path) const {
  std::string url = "http://127.0.0.1";
  if (port_ != 80) url += ":" + std::to_string(port_);
  url += path;
  return std::wstring(url.begin(), url.end());
}

std::vector<ReceivedRequest> DownloadServer::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

size_t DownloadServer::RequestCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_.size();
}

void DownloadServer::ClearRequests() {
  std::lock_guard<std::mutex> lock(mutex_);
  requests_.clear();
}

void DownloadServer::AcceptLoop() {
  while (!stop_) {
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(listener_, &ready);
    timeval wait = {0, 50000};
    if (select(0, &ready, nullptr, nullptr, &wait) <= 0) continue;
    SOCKET client = accept(listener_, nullptr, nullptr);
    if (client == INVALID_SOCKET) continue;
    connections_.emplace_back([this, client] { Answer(client); });
  }
}

void DownloadServer::Answer(SOCKET client) {
  DWORD timeout = 10000;
  setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
  std::string head;
  char buffer[4096];
  while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
    int n = recv(client, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    head.append(buffer, static_cast<size_t>(n));
  }
  const std::string line = head.substr(0, head.find("\r\n"));
  ReceivedRequest request;
  size_t first = line.find(' ');
  size_t second = first == std::string::npos ? std::string::npos : line.find(' ', first + 1);
  if (second == std::string::npos) {
    closesocket(client);
    return;
  }
  request.method = line.substr(0, first);
  request.path = line.substr(first + 1, second - first - 1);
  request.version = line.substr(second + 1);

  Reply reply;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(request);
    auto found = replies_.find(request.path);
    if (found != replies_.end()) {
      reply = found->second;
    } else {
      reply.status = 404;
      reply.body = "<html><body>no such file</body></html>";
    }
  }
  // A server that keeps to the protocol refuses anything but HTTP/1.x.
  if (request.version != "HTTP/1.1" && request.version != "HTTP/1.0") {
    reply = Reply();
    reply.status = 400;
    reply.body = "bad version";
  }

  std::string response = "HTTP/1.1 " + std::to_string(reply.status) + " " + Reason(reply.status) + "\r\n";
  response += "Content-Type: application/octet-stream\r\n";
  if (reply.withLength) response += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
  response += "Connection: close\r\n\r\n";
  bool complete = true;
  if (request.method != "HEAD") {
    size_t size = reply.body.size();
    if (reply.cutAfter < size) {
      size = reply.cutAfter;
      complete = false;
    }
    if (reply.holdAfter < size) {
      SendAll(client, response.data(), response.size());
      SendAll(client, reply.body.data(), reply.holdAfter);
      WaitForSingleObject(reply.release, 60000);
      response.assign(reply.body, reply.holdAfter, size - reply.holdAfter);
    } else {
      response.append(reply.body, 0, size);
    }
  }
  SendAll(client, response.data(), response.size());
  if (!complete && reply.reset) {
    linger hard = {1, 0};
    setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof hard);
    closesocket(client);
    return;
  }
  // Graceful end: no more data, then wait for the client to close.
  shutdown(client, SD_SEND);
  timeout = 2000;
  setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
  while (recv(client, buffer, sizeof buffer, 0) > 0) {
  }
  closesocket(client);
}

int UnusedPort() {
  std::string ignored;
  SOCKET s = Listen(0, &ignored);
  if (s == INVALID_SOCKET) return 1;
  int port = PortOf(s);
  closesocket(s);
  return port;
}
