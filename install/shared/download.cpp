#include "install/shared/download.h"

#include <cstdint>

#include "common/files.h"
#include "common/handles.h"
#include "common/heap.h"
#include "common/message_box.h"
#include "common/text.h"
#include "common/internet.h"
#include "script/integer.h"

namespace {

constexpr DWORD kBlockSize = 4096;
constexpr size_t kHeaderChars = 1024;
constexpr wchar_t kScheme[] = L"http://";
constexpr wchar_t kLengthHeader[] = L"Content-Length:";

// The transfer buffer, from the private heap.
class Block {
 public:
  Block() : p_(HeapBytes(kBlockSize)) {}
  ~Block() { FreeHeapBytes(p_); }
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;
  void* get() const { return p_; }

 private:
  void* p_;
};

// The download is written to a fresh file beside the save path and moved
// over the save path only when it is kept, so that a failed download leaves
// neither a partial file nor a damaged earlier one.
class PartFile {
 public:
  explicit PartFile(const std::wstring& savePath) : savePath_(savePath) {
    std::wstring folder = text::FolderPart(savePath);
    if (folder.empty()) folder = L".";
    wchar_t name[MAX_PATH] = {};
    if (!GetTempFileNameW(folder.c_str(), L"tdl", 0, name)) return;
    path_ = name;
    file_ = ScopedHandle(CreateFileForWriting(path_));
  }
  ~PartFile() {
    file_.Close();
    if (!path_.empty()) DeleteFileW(path_.c_str());
  }
  PartFile(const PartFile&) = delete;
  PartFile& operator=(const PartFile&) = delete;

  bool valid() const { return file_.valid(); }
  bool Write(const void* data, DWORD size) { return WriteAll(file_.get(), data, size); }
  // Replaces the save file by what was written. False when that failed (the
  // part is then deleted).
  bool Keep() {
    file_.Close();
    if (!MoveFileExW(path_.c_str(), savePath_.c_str(), MOVEFILE_REPLACE_EXISTING)) return false;
    path_.clear();
    return true;
  }

 private:
  std::wstring savePath_;
  std::wstring path_;
  ScopedHandle file_;
};

// Asks port 80 of the address's host for the size with a HEAD request. 0
// when the server names no size.
int32_t ProbeSize(const InternetApi& net, HINTERNET root, const std::wstring& address) {
  // The host ends at the first "/" from the eighth character on; without one
  // it is empty.
  const size_t slash = address.find(L'/', 7);
  const std::wstring host = slash == std::wstring::npos ? std::wstring()
                                                        : text::ReplaceAll(address.substr(0, slash), kScheme, L"");
  ScopedInternet connection(
      net.connect(root, host.c_str(), INTERNET_DEFAULT_HTTP_PORT, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection.get()) return 0;
  const std::wstring object = text::ReplaceAll(address, kScheme + host + L"/", L"");
  ScopedInternet request(net.openRequest(connection.get(), L"HEAD", object.c_str(), L"HTTP/1.1", nullptr, nullptr,
                                         INTERNET_FLAG_RELOAD, 0));
  if (!request.get()) return 0;
  if (!net.sendRequest(request.get(), nullptr, 0, nullptr, 0)) return 0;
  if (text::Trim(QueryHeader(request.get(), HTTP_QUERY_STATUS_CODE)) != L"200") return 0;
  const std::wstring headers = QueryHeader(request.get(), HTTP_QUERY_RAW_HEADERS_CRLF);
  const size_t at = headers.find(kLengthHeader);
  if (at == std::wstring::npos) return 0;
  // The rest of the headers after the colon but their last character; the
  // number ends at the line end.
  const size_t from = at + (sizeof kLengthHeader / sizeof(wchar_t) - 1);
  if (from >= headers.size()) return 0;
  return ReadInteger(text::Trim(headers.substr(from, headers.size() - from - 1)));
}

// The length that the response of the transfer itself announces, or -1.
int64_t AnnouncedLength(HINTERNET url) {
  const std::wstring value = text::Trim(QueryHeader(url, HTTP_QUERY_CONTENT_LENGTH));
  if (value.empty()) return -1;
  int64_t n = 0;
  for (wchar_t c : value) {
    if (c < L'0' || c > L'9' || n > (INT64_MAX - 9) / 10) return -1;
    n = n * 10 + (c - L'0');
  }
  return n;
}

}  // namespace

std::wstring QueryHeader(void* request, unsigned long infoLevel) {
  wchar_t buffer[kHeaderChars + 1];
  for (size_t i = 0; i < kHeaderChars; ++i) buffer[i] = L' ';
  buffer[kHeaderChars] = 0;
  // The length is counted in bytes: the whole buffer of 1024 characters.
  DWORD length = kHeaderChars * sizeof(wchar_t);
  if (const InternetApi* net = Internet()) net->queryInfo(request, infoLevel, buffer, &length, nullptr);
  return buffer;
}

int DownloadFile(const std::wstring& savePath, const std::wstring& address, ProgressSink& progress,
                 DownloadCallback callback) {
  progress.Message(address, savePath, MB_OK);
  Block block;
  if (!block.get()) return 0;
  const InternetApi* net = Internet();
  if (!net) return 0;
  ScopedInternet root(net->open(L"", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
  if (!root.get()) return 0;
  ScopedInternet url(net->openUrl(root.get(), address.c_str(), nullptr, 0, INTERNET_FLAG_RELOAD, 0));
  // An error page is not the file.
  if (!url.get() || ReadInteger(QueryHeader(url.get(), HTTP_QUERY_STATUS_CODE)) >= 400) return 0;
  const int32_t total = ProbeSize(*net, root.get(), address);
  const int64_t announced = AnnouncedLength(url.get());

  PartFile file(savePath);
  if (!file.valid()) return 0;
  int64_t received = 0;
  float percent = 0;
  for (;;) {
    DWORD count = 0;
    if (!net->readFile(url.get(), block.get(), kBlockSize, &count)) return 0;
    if (count == 0) break;
    received += count;
    if (total > 0) {
      percent = static_cast<float>(static_cast<double>(received) / total * 100.0);
    } else if (++percent >= 100) {
      percent = 0;
    }
    // Stopped by the caller (a cancelled installation): nothing of the
    // transfer stays, the part file goes with it.
    if (callback && callback(progress, savePath, percent) == 1) return 0;
    if (!file.Write(block.get(), count)) return 0;
  }
  // A connection that ended before the announced length is a failed read.
  if (announced >= 0 && received != announced) return 0;
  return file.Keep() ? 1 : 0;
}
