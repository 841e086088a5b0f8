// The download operation against a real HTTP server on 127.0.0.1
// (tests/ops/download_server.h), through the system's Internet client.
#include "install/shared/download.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/driver/driver.h"
#include "tests/driver/package_fixture.h"
#include "tests/ops/download_server.h"
#include "tests/ops/service_boxes.h"

namespace {

using drive::Narrow;

constexpr size_t kBlock = 4096;

// What the progress callback was called with.
struct Progress {
  std::vector<float> percents;
  std::vector<std::wstring> paths;
  size_t stopAt = 0;  // returns 1 at this call (counting from 1); 0: never
};
Progress g_progress;

int RecordProgress(ProgressSink&, const std::wstring& savePath, float percent) {
  g_progress.percents.push_back(percent);
  g_progress.paths.push_back(savePath);
  return g_progress.percents.size() == g_progress.stopAt ? 1 : 0;
}

// Bytes that differ from block to block, so that a lost or repeated block
// shows.
std::string Pattern(size_t size, unsigned seed) {
  std::string s(size, '\0');
  unsigned x = seed * 2654435761u + 1;
  for (size_t i = 0; i < size; ++i) {
    x = x * 1103515245u + 12345u;
    s[i] = static_cast<char>(x >> 16);
  }
  return s;
}

// Compares file contents without printing megabytes of noise on failure.
::testing::AssertionResult HasBytes(const std::wstring& path, const std::string& expected) {
  if (!FileExists(path)) return ::testing::AssertionFailure() << Narrow(path) << " does not exist";
  const std::string actual = ReadFileBytes(path);
  if (actual == expected) return ::testing::AssertionSuccess();
  size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
  return ::testing::AssertionFailure() << Narrow(path) << " holds " << actual.size() << " bytes, expected "
                                       << expected.size() << "; first difference at byte " << at;
}

class DownloadTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server_ = new DownloadServer(); }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }

  void SetUp() override {
    ASSERT_TRUE(server_->listening()) << "the test server could not listen on 127.0.0.1";
    server_->ClearRequests();
    g_progress = Progress();
    folder_ = drive::TempFolder() + L"tarn_download_" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    RemoveTree(folder_);
    ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
  }
  void TearDown() override { RemoveTree(folder_); }

  // Downloads with OK pressed in the box that comes first.
  int Download(const std::wstring& savePath, const std::wstring& address) {
    BoxWatch boxes;
    int result = DownloadFile(savePath, address, g_boxes, RecordProgress);
    boxes_ = boxes.Boxes();
    return result;
  }

  std::vector<ReceivedRequest> RequestsOf(const std::string& method) const {
    std::vector<ReceivedRequest> found;
    for (const ReceivedRequest& r : server_->Requests())
      if (r.method == method) found.push_back(r);
    return found;
  }

  static DownloadServer* server_;
  std::wstring folder_;
  std::vector<SeenBox> boxes_;
};

DownloadServer* DownloadTest::server_ = nullptr;

TEST_F(DownloadTest, AsksFirstThenFetchesWithPercentsFromTheHeadRequest) {
  if (!server_->onPort80())
    GTEST_SKIP() << "the size probe always asks port 80, which is not available here: " << server_->port80Problem();
  const std::string body = Pattern(2 * kBlock, 1);
  server_->Serve("/files/setup%20data.bin", Reply{200, body});
  const std::wstring save = folder_ + L"data.bin";
  const std::wstring address = server_->Url("/files/setup%20data.bin");

  // The client library's calls return only with the server's answer, and the
  // server records a request before it answers: a request made before the
  // question is on record when the box shows.
  size_t requestsWhileAsking = 99;
  BoxWatch boxes([&](const SeenBox&) { requestsWhileAsking = server_->RequestCount(); });
  EXPECT_EQ(DownloadFile(save, address, g_boxes, RecordProgress), 1);
  std::vector<SeenBox> seen = boxes.Boxes();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(Narrow(seen[0].title), Narrow(save));
  EXPECT_EQ(Narrow(seen[0].text), Narrow(address));
  EXPECT_EQ(seen[0].buttons, std::vector<int>{IDOK});
  EXPECT_EQ(requestsWhileAsking, 0u);

  EXPECT_EQ(g_progress.percents, (std::vector<float>{50.0f, 100.0f}));
  for (const std::wstring& p : g_progress.paths) EXPECT_EQ(Narrow(p), Narrow(save));
  EXPECT_TRUE(HasBytes(save, body));
  EXPECT_EQ(drive::Tree(folder_), std::set<std::string>{"data.bin"});

  // The probe: a HEAD request for the object below the host, in the
  // protocol's own spelling of the version.
  std::vector<ReceivedRequest> heads = RequestsOf("HEAD");
  ASSERT_EQ(heads.size(), 1u);
  EXPECT_EQ(heads[0].path, "/files/setup%20data.bin");
  EXPECT_EQ(heads[0].version, "HTTP/1.1");
  std::vector<ReceivedRequest> gets = RequestsOf("GET");
  ASSERT_EQ(gets.size(), 1u);
  EXPECT_EQ(gets[0].path, "/files/setup%20data.bin");
}

TEST_F(DownloadTest, WithoutASizeThePercentCountsBlocksAndWrapsAt100) {
  const std::string body = Pattern(105 * kBlock + 100, 2);
  server_->Serve("/big", Reply{200, body, false});
  const std::wstring save = folder_ + L"big.bin";
  EXPECT_EQ(Download(save, server_->Url("/big")), 1);
  EXPECT_TRUE(HasBytes(save, body));
  ASSERT_GE(g_progress.percents.size(), 101u);
  for (size_t i = 0; i < g_progress.percents.size(); ++i)
    ASSERT_EQ(g_progress.percents[i], static_cast<float>((i + 1) % 100)) << "call " << i + 1;
  if (server_->onPort80()) {
    // The probe was answered, only without a size.
    EXPECT_EQ(RequestsOf("HEAD").size(), 1u);
  }
}

TEST_F(DownloadTest, BareHostGivesNoProbeButTheTransferRuns) {
  const std::string body = Pattern(3 * kBlock, 3);
  server_->Serve("/", Reply{200, body});
  const std::wstring save = folder_ + L"index.bin";
  // No "/" after the host: the probe has no host to ask.
  EXPECT_EQ(Download(save, server_->Url("")), 1);
  EXPECT_TRUE(HasBytes(save, body));
  EXPECT_EQ(g_progress.percents, (std::vector<float>{1.0f, 2.0f, 3.0f}));
  EXPECT_TRUE(RequestsOf("HEAD").empty());
  EXPECT_EQ(RequestsOf("GET").size(), 1u);
}

// A stopped transfer (a cancelled installation) keeps nothing of itself:
// an earlier file of that name stays as it was, and no part file is left.
TEST_F(DownloadTest, CallbackStopKeepsNothingAndReturns0) {
  const std::string body = Pattern(4 * kBlock, 4);
  server_->Serve("/stop", Reply{200, body});
  const std::wstring save = folder_ + L"stop.bin";
  for (int stopAt : {1, 2}) {
    SCOPED_TRACE("stop at block " + std::to_string(stopAt) + ", over an existing file");
    WriteAt(save, "an earlier download");
    g_progress = Progress();
    g_progress.stopAt = stopAt;
    EXPECT_EQ(Download(save, server_->Url("/stop")), 0);
    EXPECT_EQ(g_progress.percents.size(), static_cast<size_t>(stopAt));
    EXPECT_TRUE(HasBytes(save, "an earlier download"));
  }
  EXPECT_EQ(drive::Tree(folder_), std::set<std::string>{"stop.bin"});
}

TEST_F(DownloadTest, FailedTransfersLeaveNoFileAndKeepAnExistingOne) {
  const std::string body = Pattern(5 * kBlock, 5);
  server_->Serve("/missing", Reply{404, "<html><body>Not here</body></html>"});
  server_->Serve("/broken", Reply{500, ""});
  Reply cut{200, body};
  cut.cutAfter = 2 * kBlock + 10;
  server_->Serve("/cut", cut);
  Reply reset = cut;
  reset.reset = true;
  server_->Serve("/reset", reset);
  struct Case {
    const char* what;
    std::wstring address;
  };
  const Case cases[] = {
      {"nothing listening", L"http://127.0.0.1:" + std::to_wstring(UnusedPort()) + L"/file.bin"},
      {"404", server_->Url("/missing")},
      {"500 without a body", server_->Url("/broken")},
      {"body cut short", server_->Url("/cut")},
      {"connection reset in the body", server_->Url("/reset")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::wstring save = folder_ + L"file.bin";
    DeleteFileW(save.c_str());
    EXPECT_EQ(Download(save, c.address), 0);
    EXPECT_FALSE(FileExists(save));
    EXPECT_TRUE(drive::Tree(folder_).empty()) << "left behind: " << *drive::Tree(folder_).begin();
    EXPECT_EQ(boxes_.size(), 1u);

    WriteAt(save, "the earlier file");
    EXPECT_EQ(Download(save, c.address), 0);
    EXPECT_TRUE(HasBytes(save, "the earlier file"));
    EXPECT_EQ(drive::Tree(folder_), std::set<std::string>{"file.bin"});
  }
}

TEST_F(DownloadTest, ReplacesAnExistingFile) {
  const std::string body = Pattern(kBlock + 17, 6);
  server_->Serve("/new.bin", Reply{200, body});
  const std::wstring save = folder_ + L"new.bin";
  WriteAt(save, Pattern(3 * kBlock, 7));
  EXPECT_EQ(Download(save, server_->Url("/new.bin")), 1);
  EXPECT_TRUE(HasBytes(save, body));
  EXPECT_EQ(drive::Tree(folder_), std::set<std::string>{"new.bin"});
}

}  // namespace
