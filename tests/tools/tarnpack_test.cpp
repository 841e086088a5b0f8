// The package builder, natively: the package's layout, what the archives
// hold, and that a failed build leaves nothing behind.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "package/trailer.h"
#include "tools/tarnpack/builder.h"
#include "tests/tools/tool_files.h"

extern "C" {
#include "unzip.h"
}

namespace {

std::string g_root;


struct Entry {
  std::string data;
  unsigned long flag = 0, externalAttributes = 0, dosDate = 0;
  int method = 0;
};

// Reads every entry of a ZIP held in memory (through a temporary file).
std::map<std::string, Entry> ReadZip(const std::string& bytes) {
  std::string path = g_root + "/read.zip";
  Write(path, bytes);
  std::map<std::string, Entry> out;
  unzFile z = unzOpen64(path.c_str());
  EXPECT_NE(z, nullptr);
  if (!z) return out;
  for (int r = unzGoToFirstFile(z); r == UNZ_OK; r = unzGoToNextFile(z)) {
    unz_file_info64 info;
    char name[512];
    unzGetCurrentFileInfo64(z, &info, name, sizeof name, nullptr, 0, nullptr, 0);
    Entry e;
    e.flag = info.flag;
    e.externalAttributes = info.external_fa;
    e.dosDate = info.dosDate;
    e.method = static_cast<int>(info.compression_method);
    unzOpenCurrentFile(z);
    char buf[4096];
    int got;
    while ((got = unzReadCurrentFile(z, buf, sizeof buf)) > 0) e.data.append(buf, static_cast<size_t>(got));
    EXPECT_EQ(unzCloseCurrentFile(z), UNZ_OK) << name;
    out[name] = e;
  }
  unzClose(z);
  return out;
}

class Tarnpack : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = g_root + "/" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::system(("rm -rf '" + dir_ + "'").c_str());
    Write(dir_ + "/stub.exe", std::string("MZ stub bytes\0\x01\x02", 16));
    Write(dir_ + "/payload/App.exe", "program");
    Write(dir_ + "/payload/sub/dir/readme.txt", std::string(100000, 'x'));
    Write(dir_ + "/payload/LICENSE", "");
    Write(dir_ + "/info/Config/Script.ini", "[GeneralInformation]\r\nAppName = Demo\r\n");
    Write(dir_ + "/info/Languages/English.ini", "[TSF Localization File]\r\nLanguage = English\r\n");
    options_.stub = dir_ + "/stub.exe";
    options_.payload = dir_ + "/payload";
    options_.information = dir_ + "/info";
    options_.output = dir_ + "/out/package.exe";
    options_.dataFolder = dir_ + "/data";
    std::system(("mkdir -p '" + dir_ + "/out'").c_str());
  }

  // Splits a built package by its trailer.
  void Split(const std::string& package, std::string* stub, std::string* payload, std::string* info) {
    PackageLayout l;
    const auto* tail = reinterpret_cast<const unsigned char*>(package.data() + package.size() - kTrailerSize);
    ASSERT_EQ(ReadTrailer(tail, static_cast<int64_t>(package.size()), &l), TrailerState::kWhole);
    *stub = package.substr(0, static_cast<size_t>(l.payloadOffset));
    *payload = package.substr(static_cast<size_t>(l.payloadOffset), static_cast<size_t>(l.payloadLength));
    *info = package.substr(static_cast<size_t>(l.infoOffset), static_cast<size_t>(l.infoLength));
  }

  std::string dir_;
  BuildOptions options_;
};

TEST_F(Tarnpack, PackageIsStubThenArchivesThenTrailer) {
  BuildReport report;
  std::string error;
  ASSERT_TRUE(BuildPackage(options_, &report, &error)) << error;
  std::string package = ReadAll(options_.output), stub, payload, info;
  Split(package, &stub, &payload, &info);
  EXPECT_EQ(stub, ReadAll(options_.stub));
  EXPECT_EQ(report.packageSize, static_cast<int64_t>(package.size()));
  EXPECT_EQ(report.requiredSpace, 100007u);

  auto files = ReadZip(payload);
  ASSERT_EQ(files.count("App.exe"), 1u);
  EXPECT_EQ(files["App.exe"].data, "program");
  EXPECT_EQ(files["App.exe"].method, Z_DEFLATED);
  EXPECT_EQ(files["sub/dir/readme.txt"].data, std::string(100000, 'x'));
  EXPECT_EQ(files.count("sub/"), 1u);       // folder entries are stored
  EXPECT_EQ(files.count("sub/dir/"), 1u);
  EXPECT_EQ(files["sub/"].externalAttributes & 0x10, 0x10u);
  EXPECT_EQ(files.count("LICENSE"), 1u);

  auto information = ReadZip(info);
  ASSERT_EQ(information.count("Config/Statistics.ini"), 1u);
  // 100007 = 0x186A7, little-endian in 8 bytes.
  EXPECT_EQ(information["Config/Statistics.ini"].data, std::string("\xA7\x86\x01\0\0\0\0\0", 8));
  EXPECT_EQ(information.count("Config/Script.ini"), 1u);
  EXPECT_EQ(information.count("Languages/English.ini"), 1u);
}

TEST_F(Tarnpack, KeepsTimesAttributesAndUtf8Names) {
  Write(dir_ + "/payload/Grüße.txt", "hi");
  Write(dir_ + "/payload/locked.txt", "ro");
  ASSERT_EQ(chmod((dir_ + "/payload/locked.txt").c_str(), 0444), 0);
  struct tm t = {};
  t.tm_year = 2021 - 1900, t.tm_mon = 5, t.tm_mday = 7, t.tm_hour = 14, t.tm_min = 37, t.tm_sec = 52;
  t.tm_isdst = -1;
  time_t when = mktime(&t);
  std::string stamp = "touch -d @" + std::to_string(static_cast<long long>(when)) + " '" + dir_ + "/payload/App.exe'";
  ASSERT_EQ(std::system(stamp.c_str()), 0);

  BuildReport report;
  std::string error;
  ASSERT_TRUE(BuildPackage(options_, &report, &error)) << error;
  std::string stub, payload, info;
  Split(ReadAll(options_.output), &stub, &payload, &info);
  auto files = ReadZip(payload);
  ASSERT_EQ(files.count("Grüße.txt"), 1u);
  EXPECT_EQ(files["Grüße.txt"].flag & 0x800, 0x800u);
  EXPECT_EQ(files["App.exe"].flag & 0x800, 0u);
  EXPECT_EQ(files["locked.txt"].externalAttributes & 1, 1u);
  EXPECT_EQ(files["App.exe"].externalAttributes & 1, 0u);
  // 2021-06-07 14:37:52 in MS-DOS form (two-second steps).
  uint32_t expected = (uint32_t(2021 - 1980) << 9 | 6 << 5 | 7) << 16 | (14u << 11 | 37u << 5 | 26u);
  EXPECT_EQ(files["App.exe"].dosDate, expected);
}

TEST_F(Tarnpack, StatisticsFileIsAlwaysTheBuildersOwn) {
  Write(dir_ + "/info/Config/Statistics.ini", "stale");
  BuildReport report;
  std::string error;
  ASSERT_TRUE(BuildPackage(options_, &report, &error)) << error;
  std::string stub, payload, info;
  Split(ReadAll(options_.output), &stub, &payload, &info);
  EXPECT_EQ(ReadZip(info)["Config/Statistics.ini"].data.size(), 8u);
}

TEST_F(Tarnpack, MissingInputsAreReportedAndNothingIsWritten) {
  Write(options_.output, "previous package");
  struct Case {
    std::string BuildOptions::*field;
    std::string value;
    const char* message;
  } cases[] = {
      {&BuildOptions::stub, "/nonexistent/stub.exe", "setup stub"},
      {&BuildOptions::payload, "/nonexistent/payload", "payload folder"},
      {&BuildOptions::information, "/nonexistent/info", "information folder"},
  };
  for (const Case& c : cases) {
    BuildOptions o = options_;
    o.*(c.field) = c.value;
    BuildReport report;
    std::string error;
    EXPECT_FALSE(BuildPackage(o, &report, &error));
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
    EXPECT_EQ(ReadAll(options_.output), "previous package");
  }
  std::remove((dir_ + "/info/Config/Script.ini").c_str());
  BuildReport report;
  std::string error;
  EXPECT_FALSE(BuildPackage(options_, &report, &error));
  EXPECT_NE(error.find("Script.ini"), std::string::npos);
  EXPECT_EQ(ReadAll(options_.output), "previous package");
  // No temporary files stay behind.
  EXPECT_EQ(std::system(("test -z \"$(ls '" + dir_ + "/out' | grep -v '^package.exe$')\"").c_str()), 0);
}

TEST_F(Tarnpack, UnknownShippedLanguageFails) {
  options_.languages = {"Klingon"};
  BuildReport report;
  std::string error;
  EXPECT_FALSE(BuildPackage(options_, &report, &error));
  EXPECT_NE(error.find("Klingon"), std::string::npos);
}

TEST_F(Tarnpack, CommandLineReportsUsageAndErrors) {
  const char* tool = std::getenv("TARNPACK");
  if (!tool) GTEST_SKIP() << "TARNPACK not set";
  std::string t = tool;
  EXPECT_EQ(WEXITSTATUS(std::system((t + " >/dev/null 2>&1").c_str())), 2);
  EXPECT_EQ(WEXITSTATUS(std::system((t + " --payload >/dev/null 2>&1").c_str())), 2);
  std::string run = t + " --stub '" + options_.stub + "' --payload '" + options_.payload + "' --info '" +
                    options_.information + "' --out '" + options_.output + "' >/dev/null 2>&1";
  EXPECT_EQ(WEXITSTATUS(std::system(run.c_str())), 0);
  std::string bad = t + " --stub /nonexistent --payload '" + options_.payload + "' --info '" + options_.information +
                    "' --out '" + dir_ + "/other.exe' 2>&1 | grep -q 'setup stub'";
  EXPECT_EQ(std::system(bad.c_str()), 0);
  EXPECT_NE(access((dir_ + "/other.exe").c_str(), F_OK), 0);
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  char tmpl[] = "/tmp/tarnpack-test-XXXXXX";
  g_root = mkdtemp(tmpl);
  int result = RUN_ALL_TESTS();
  std::system(("rm -rf '" + g_root + "'").c_str());
  return result;
}
