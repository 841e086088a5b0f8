// 200,000 entries through the uninstall data (written, then read back as
// the uninstaller reads it) and through the folder order: the counted
// steps stay within a small multiple of the entries, so the Finish button
// and the removal never wait for work that grows with the square.
#include <gtest/gtest.h>

#include "common/folder_order.h"
#include "common/work_meter.h"
#include "install/uninstall_data.h"

namespace {

constexpr size_t kEntries = 200000;

class Meter {
 public:
  Meter() { g_workMeter = &steps_; }
  ~Meter() { g_workMeter = nullptr; }
  size_t Take() {
    const size_t s = steps_;
    steps_ = 0;
    return s;
  }

 private:
  size_t steps_ = 0;
};

}  // namespace

TEST(LinearWork, TwoHundredThousandEntries) {
  UninstallContents c;
  c.appName = L"Big";
  c.installPath = L"C:\\Big\\";
  std::vector<FolderEntry> folders;
  for (size_t i = 0; i < kEntries; ++i) {
    const std::wstring n = std::to_wstring(i);
    c.files.push_back(L"C:\\Big\\d" + std::to_wstring(i % 97) + L"\\f" + n + L".txt");
    // Every tenth name repeats an earlier one in another case: each still gets a key of its own.
    const std::wstring name = i % 10 == 9 ? L"TASK" + std::to_wstring(i - 1) : L"Task" + n;
    c.installRecord.push_back({name, PathRecord(RecordKind::kCopy, L"C:\\Big\\c" + n + L".dll")});
    folders.push_back(MakeFolderEntry(L"C:\\Big\\" + std::wstring(i % 40 + 1, L'x') + L"\\" + n));
  }
  Meter meter;
  const std::string bytes = UninstallDataBytes(c);
  const size_t written = meter.Take();
  const UninstallContents back = ReadUninstallContents(bytes);
  const size_t read = meter.Take();
  const std::vector<FolderEntry> ordered = DeepestFirst(folders);
  const size_t sorted = meter.Take();

  ASSERT_EQ(back.files.size(), kEntries);
  ASSERT_EQ(back.installRecord.size(), kEntries);
  EXPECT_EQ(back.installRecord[kEntries - 1].record.path, c.installRecord[kEntries - 1].record.path);
  ASSERT_EQ(ordered.size(), kEntries);
  EXPECT_GE(ordered.front().depth, ordered.back().depth);
  const size_t lines = 2 * kEntries + 20;  // the file's lines, about
  // Every line is counted: a meter that sees nothing bounds nothing.
  EXPECT_GE(written, 2 * kEntries);
  EXPECT_GE(read, 2 * kEntries);
  EXPECT_LE(written, 8 * lines) << "the writer counted " << written << " steps";
  EXPECT_LE(read, 12 * lines) << "the reader counted " << read << " steps";
  EXPECT_LE(sorted, 2 * kEntries) << "the folder order counted " << sorted << " steps";
}
