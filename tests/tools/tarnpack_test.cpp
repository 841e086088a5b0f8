// The package builder, natively: the package's layout, what the archives
// hold, that a failed build leaves nothing behind, and the resources it
// writes into the real setup stubs (TARNSTUB_DIR) and their uninstallers.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "package/trailer.h"
#include "tools/tarnpack/builder.h"
#include "tools/tarnpack/pe_resources.h"
#include "tools/tarnpack/version_resource.h"
#include "tests/tools/tool_files.h"

extern "C" {
#include "unzip.h"
}

namespace {

std::string g_root;
std::string g_stubs;  // the real setup stubs

struct Entry {
  std::string data;
  unsigned long flag = 0, externalAttributes = 0, dosDate = 0;
  int method = 0;
  std::string extra;  // the central header's
};

// Reads every entry of a ZIP held in memory (through a temporary file);
// `order` gets the names as they are stored.
std::map<std::string, Entry> ReadZip(const std::string& bytes, std::vector<std::string>* order = nullptr) {
  std::string path = g_root + "/read.zip";
  Write(path, bytes);
  std::map<std::string, Entry> out;
  unzFile z = unzOpen64(path.c_str());
  EXPECT_NE(z, nullptr);
  if (!z) return out;
  for (int r = unzGoToFirstFile(z); r == UNZ_OK; r = unzGoToNextFile(z)) {
    unz_file_info64 info;
    char name[512], extra[256];
    unzGetCurrentFileInfo64(z, &info, name, sizeof name, extra, sizeof extra, nullptr, 0);
    Entry e;
    e.extra.assign(extra, info.size_file_extra < sizeof extra ? info.size_file_extra : sizeof extra);
    if (order) order->push_back(name);
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
    Write(dir_ + "/fake.exe", std::string("MZ stub bytes\0\x01\x02", 16));
    Write(dir_ + "/payload/App.exe", "program");
    Write(dir_ + "/payload/sub/dir/readme.txt", std::string(100000, 'x'));
    Write(dir_ + "/payload/LICENSE", "");
    Write(dir_ + "/info/Config/Script.ini", "[GeneralInformation]\r\nAppName = Demo\r\n");
    Write(dir_ + "/info/Languages/English.ini", "[TSF Localization File]\r\nLanguage = English\r\n");
    options_.stub = g_stubs + "/tarnstub.exe";
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
  EXPECT_EQ(stub.substr(0, 2), "MZ");
  EXPECT_EQ(report.packageSize, static_cast<int64_t>(package.size()));
  EXPECT_EQ(report.requiredSpace, 100007u);

  auto files = ReadZip(payload);
  ASSERT_EQ(files.count("App.exe"), 1u);
  EXPECT_EQ(files["App.exe"].data, "program");
  EXPECT_EQ(files["App.exe"].method, 0);  // deflate would not make 7 bytes smaller
  EXPECT_EQ(files["sub/dir/readme.txt"].data, std::string(100000, 'x'));
  EXPECT_EQ(files["sub/dir/readme.txt"].method, Z_DEFLATED);
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

TEST_F(Tarnpack, DefaultLevelMakesSmallerArchivesThanLevelOneAndStoresWhatDoesNotShrink) {
  std::string words, noise;
  const char* vocabulary[] = {"setup ", "folder ", "value ", "window ", "table ", "index ", "record ", "\n"};
  for (uint32_t x = 1, i = 0; i < 200000; ++i) {
    x = x * 1103515245u + 12345u;
    words += vocabulary[(x >> 16) % 8];
    if (i < 20000) noise += static_cast<char>(x >> 24);
  }
  Write(dir_ + "/payload/words.txt", words);
  Write(dir_ + "/payload/noise.bin", noise);
  std::map<int, size_t> sizes;
  for (int level : {1, 12}) {
    options_.level = level;
    BuildReport report;
    std::string error;
    ASSERT_TRUE(BuildPackage(options_, &report, &error)) << error;
    std::string stub, payload, info;
    Split(ReadAll(options_.output), &stub, &payload, &info);
    auto files = ReadZip(payload);  // checks every CRC-32
    EXPECT_EQ(files["words.txt"].data, words);
    EXPECT_EQ(files["words.txt"].method, Z_DEFLATED);
    EXPECT_EQ(files["noise.bin"].data, noise);
    EXPECT_EQ(files["noise.bin"].method, 0);
    sizes[level] = payload.size();
  }
  EXPECT_LT(sizes[12], sizes[1]);
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
      {&BuildOptions::stub, dir_ + "/fake.exe", "fake.exe is not a Windows program"},
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
  EXPECT_EQ(WEXITSTATUS(std::system((t + " --level 13 --payload p --info i --out o >/dev/null 2>&1").c_str())), 2);
  std::string run = t + " --stub '" + options_.stub + "' --payload '" + options_.payload + "' --info '" +
                    options_.information + "' --out '" + options_.output + "' >/dev/null 2>&1";
  EXPECT_EQ(WEXITSTATUS(std::system(run.c_str())), 0);
  std::string bad = t + " --stub /nonexistent --payload '" + options_.payload + "' --info '" + options_.information +
                    "' --out '" + dir_ + "/other.exe' 2>&1 | grep -q 'setup stub'";
  EXPECT_EQ(std::system(bad.c_str()), 0);
  EXPECT_NE(access((dir_ + "/other.exe").c_str(), F_OK), 0);
}

// What the loader reads of a program's layout.
struct Layout {
  uint32_t sizeOfImage = 0, initializedData = 0, resources[2] = {}, relocations[2] = {};
  struct Section {
    std::string name;
    uint32_t virtualSize, address, rawSize, rawAt;
  };
  std::vector<Section> sections;
};

Layout ReadLayout(const std::string& f) {
  Layout l;
  const size_t pe = U32(f, 0x3C), optional = pe + 24;
  const size_t directories = optional + (U16(f, optional) == 0x20B ? 112 : 96);
  l.initializedData = U32(f, optional + 8);
  l.sizeOfImage = U32(f, optional + 56);
  for (int i = 0; i < 2; ++i) l.resources[i] = U32(f, directories + 16 + 4 * i);
  for (int i = 0; i < 2; ++i) l.relocations[i] = U32(f, directories + 40 + 4 * i);
  for (size_t i = 0, at = optional + U16(f, pe + 20); i < U16(f, pe + 6); ++i, at += 40)
    l.sections.push_back({f.substr(at, 8).c_str(), U32(f, at + 8), U32(f, at + 12), U32(f, at + 16), U32(f, at + 20)});
  return l;
}

std::map<std::string, std::string> Flat(const std::vector<Resource>& list) {
  std::map<std::string, std::string> out;
  for (const Resource& r : list)
    out[std::to_string(r.type.id) + std::string(r.type.text.begin(), r.type.text.end()) + "/" +
        std::to_string(r.name.id) + std::string(r.name.text.begin(), r.name.text.end()) + "/" +
        std::to_string(r.language) + "/" + std::to_string(r.codePage)] = r.data;
  return out;
}

// Both stubs and the uninstallers they carry (PE32 and PE32+): read, written
// back unchanged, and grown by 300,000 bytes, which moves the base
// relocations behind the resources.
TEST(Resources, RebuiltOnEveryShapeOfTheSetupPrograms) {
  for (const char* name : {"tarnstub.exe", "tarnstub64.exe"}) {
    std::string error, stub = ReadAll(g_stubs + "/" + name), uninstaller;
    ASSERT_TRUE(CarriedUninstaller(stub, &uninstaller, &error)) << error;
    for (const std::string* program : {&stub, &uninstaller}) {
      SCOPED_TRACE(std::string(name) + (program == &stub ? "" : ", its uninstaller"));
      std::vector<Resource> before, after;
      ASSERT_TRUE(ReadResources(*program, &before, &error)) << error;
      std::string same = *program;
      ASSERT_TRUE(WriteResources(&same, before, &error)) << error;
      ASSERT_TRUE(ReadResources(same, &after, &error)) << error;
      EXPECT_EQ(Flat(after), Flat(before));
      EXPECT_EQ(StoredChecksum(same), Checksum(same));

      Resource extra;
      extra.type.id = kRtRcData;
      extra.name.text = L"EXTRA";
      extra.data = std::string(300000, 'x');
      after.push_back(extra);
      std::string grown = same;
      ASSERT_TRUE(WriteResources(&grown, after, &error)) << error;
      std::vector<Resource> again;
      ASSERT_TRUE(ReadResources(grown, &again, &error)) << error;
      EXPECT_EQ(Flat(again), Flat(after));
      EXPECT_EQ(StoredChecksum(grown), Checksum(grown));
      const Layout a = ReadLayout(same), b = ReadLayout(grown);
      ASSERT_EQ(b.sections.size(), a.sections.size());
      const Layout::Section &rsrc = b.sections[b.sections.size() - 2], &reloc = b.sections.back();
      ASSERT_EQ(rsrc.name, ".rsrc");
      ASSERT_EQ(reloc.name, ".reloc");
      EXPECT_EQ(b.resources[0], rsrc.address);
      EXPECT_EQ(b.resources[1], rsrc.virtualSize);
      EXPECT_GT(rsrc.virtualSize, 300000u);
      EXPECT_EQ(b.relocations[0], reloc.address);
      EXPECT_EQ(reloc.address, (rsrc.address + rsrc.virtualSize + 0xFFF) / 0x1000 * 0x1000);
      EXPECT_EQ(b.sizeOfImage, (reloc.address + reloc.virtualSize + 0xFFF) / 0x1000 * 0x1000);
      EXPECT_EQ(b.initializedData - a.initializedData, rsrc.rawSize - a.sections[a.sections.size() - 2].rawSize);
      EXPECT_EQ(reloc.rawAt, rsrc.rawAt + rsrc.rawSize);
      EXPECT_EQ(grown.size(), size_t(reloc.rawAt) + reloc.rawSize);
      EXPECT_EQ(grown.substr(reloc.rawAt, reloc.rawSize), same.substr(a.sections.back().rawAt, reloc.rawSize));
    }
  }
}

TEST(Resources, VersionReadsAsNumbersOrAsZero) {
  const struct {
    const wchar_t* text;
    uint64_t binary;
  } rows[] = {
      {L"2.5.1 beta", 0x0002000500010000}, {L"1", 0x0001000000000000}, {L" 1.2.3.4 ", 0x0001000200030004},
      {L"1.4-rc2", 0x0001000400000000},    {L"v2", 0},                  {L"2.x", 0},
      {L"1.2.3.4.5", 0},                   {L"70000", 0},               {L"", 0},
  };
  for (const auto& r : rows) {
    uint64_t binary = 1;
    EXPECT_EQ(NumericVersion(r.text, &binary), r.binary != 0) << std::string(r.text, r.text + wcslen(r.text));
    EXPECT_EQ(binary, r.binary);
  }
}

std::string Le(uint32_t v, int bytes) {
  std::string s;
  for (int i = 0; i < bytes; ++i) s += static_cast<char>(v >> (8 * i));
  return s;
}

// An icon file: a 16-pixel 32-bit bitmap and a 256-pixel PNG (its header only).
std::string IconFile(uint32_t pngSide = 256) {
  const std::string bitmap = Le(40, 4) + Le(16, 4) + Le(32, 4) + Le(1, 2) + Le(32, 2) + std::string(24, '\0') +
                             std::string(16 * 16 * 4 + 16 * 4, '\x7f');
  std::string png = std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
  for (int i = 3; i >= 0; --i) png += static_cast<char>(pngSide >> (8 * i));
  png = png + png.substr(16, 4) + std::string(30, '\0');
  return Le(0, 2) + Le(1, 2) + Le(2, 2) + "\x10\x10" + Le(0, 2) + Le(1, 2) + Le(32, 2) + Le(bitmap.size(), 4) +
         Le(38, 4) + std::string(4, '\0') + Le(1, 2) + Le(32, 2) + Le(png.size(), 4) + Le(38 + bitmap.size(), 4) +
         bitmap + png;
}

bool HasText(const std::string& bytes, const std::wstring& text) {
  std::string utf16;
  for (wchar_t c : text) utf16 += Le(c, 2);
  return bytes.find(utf16 + Le(0, 2)) != std::string::npos;
}

TEST_F(Tarnpack, PackageAndItsUninstallerNameTheProduct) {
  Write(dir_ + "/info/Config/Script.ini",
        "\xEF\xBB\xBF[GeneralInformation]\r\nAppName = Demo App\r\nVersion = 2.5.1 beta\r\nCompanyName = Tarn Co\r\n");
  Write(dir_ + "/icon.ico", IconFile());
  options_.icon = dir_ + "/icon.ico";
  options_.copyright = "\xC2\xA9 2026 Tarn Co";
  for (const char* stubName : {"tarnstub.exe", "tarnstub64.exe"}) {
    SCOPED_TRACE(stubName);
    options_.stub = g_stubs + "/" + stubName;
    BuildReport report;
    std::string error, stub, payload, info, uninstaller;
    ASSERT_TRUE(BuildPackage(options_, &report, &error)) << error;
    const std::string package = ReadAll(options_.output);
    EXPECT_EQ(StoredChecksum(package), Checksum(package)) << "the checksum covers the archives too";
    Split(package, &stub, &payload, &info);
    ASSERT_TRUE(CarriedUninstaller(stub, &uninstaller, &error)) << error;
    EXPECT_EQ(StoredChecksum(uninstaller), Checksum(uninstaller));
    for (const std::string* program : {&stub, &uninstaller}) {
      std::vector<Resource> list;
      ASSERT_TRUE(ReadResources(*program, &list, &error)) << error;
      const std::string version = FindResourceEntry(&list, {kRtVersion, L""}, {1, L""})->data;
      EXPECT_TRUE(HasText(version, program == &stub ? L"Demo App Setup" : L"Demo App Uninstaller"));
      for (const wchar_t* text : {L"Demo App", L"2.5.1 beta", L"Tarn Co", L"\u00A9 2026 Tarn Co"})
        EXPECT_TRUE(HasText(version, text)) << std::string(text, text + wcslen(text));
      EXPECT_EQ(HasText(version, L"package.exe"), program == &stub);
      const size_t fixed = version.find(Le(0xFEEF04BD, 4));
      ASSERT_NE(fixed, std::string::npos);
      EXPECT_EQ(version.substr(fixed + 8, 16), Le(0x00020005, 4) + Le(0x00010000, 4) + Le(0x00020005, 4) + Le(0x00010000, 4));
      const std::string group = FindResourceEntry(&list, {kRtGroupIcon, L""}, {1, L""})->data;
      ASSERT_EQ(group.size(), 6u + 2 * 14);
      for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(group[6 + 14 * i], i == 0 ? 16 : 0);  // 0: 256 pixels
        const Resource* image = FindResourceEntry(&list, {kRtIcon, L""}, {static_cast<uint16_t>(U16(group, 18 + 14 * i)), L""});
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->data.size(), U32(group, 14 + 14 * i));
      }
    }
  }
  const struct {
    const char* what;
    std::string bytes, error;
  } wrong[] = {
      {"a text", "not an icon at all", "is not an icon file (no icon directory at its start)"},
      {"an image cut short", IconFile().substr(0, 600), "has its image 1 (16 x 16) outside the file or cut short"},
      {"a PNG of another size", IconFile(48), "has a PNG image 2 (256 x 256) whose header gives another size"},
  };
  for (const auto& w : wrong) {
    SCOPED_TRACE(w.what);
    Write(dir_ + "/icon.ico", w.bytes);
    std::remove(options_.output.c_str());
    BuildReport report;
    std::string error;
    EXPECT_FALSE(BuildPackage(options_, &report, &error));
    EXPECT_EQ(error, "the icon " + options_.icon + " " + w.error);
    EXPECT_EQ(access(options_.output.c_str(), F_OK), -1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const char* stubs = std::getenv("TARNSTUB_DIR");
  if (!stubs) {
    std::fprintf(stderr, "TARNSTUB_DIR must name the folder of tarnstub.exe and tarnstub64.exe\n");
    return 1;
  }
  g_stubs = stubs;
  char tmpl[] = "/tmp/tarnpack-test-XXXXXX";
  g_root = mkdtemp(tmpl);
  int result = RUN_ALL_TESTS();
  std::system(("rm -rf '" + g_root + "'").c_str());
  return result;
}

// The example built in two folders (copies of the same files and times),
// in two zones, with SOURCE_DATE_EPOCH: the same bytes. Times after it are
// clamped to it, the DOS times are in UTC, every entry has its UTC time
// field, and the entries are in the byte order of their names.
TEST_F(Tarnpack, SameInputsGiveTheSameBytesInAnyFolderAndZone) {
  const char* tool = std::getenv("TARNPACK");
  const char* example = std::getenv("TARN_EXAMPLE");
  ASSERT_TRUE(tool && example) << "TARNPACK and TARN_EXAMPLE name the package builder and the example";
  const std::string source = dir_ + "/source";
  // 2021-06-07 14:37:53 UTC and a time after SOURCE_DATE_EPOCH (2023-11-14 22:13:20 UTC).
  const std::string prepare = "cp -R '" + std::string(example) + "' '" + source + "' && cd '" + source +
                              "' && touch -d @1623076673 payload/README.txt && touch -d @1800000000 payload/docs";
  ASSERT_EQ(std::system(prepare.c_str()), 0);
  const char* const zones[] = {"UTC", "Pacific/Auckland"};
  std::string packages[2];
  for (int i = 0; i < 2; ++i) {
    const std::string folder = dir_ + "/build" + std::to_string(i) + "/in a folder of its own";
    const std::string run = "mkdir -p '" + folder + "' && cp -Rp '" + source + "/.' '" + folder + "' && cd '" + folder +
                            "' && TZ=" + zones[i] + " SOURCE_DATE_EPOCH=1700000000 '" + tool + "' --stub '" +
                            options_.stub + "' --payload payload --info information --out Setup.exe >/dev/null";
    ASSERT_EQ(std::system(run.c_str()), 0) << run;
    packages[i] = ReadAll(folder + "/Setup.exe");
  }
  EXPECT_TRUE(packages[0] == packages[1]) << "the packages differ";

  std::string stub, payload, info;
  Split(packages[1], &stub, &payload, &info);
  std::vector<std::string> order;
  auto files = ReadZip(payload, &order);
  EXPECT_EQ(order, (std::vector<std::string>{"README.txt", "docs/", "docs/Getting started.txt", "settings.ini"}));
  // 2021-06-07 14:37:52 (two-second steps) and 2023-11-14 22:13:20.
  EXPECT_EQ(files["README.txt"].dosDate, 0x52C774BAu);
  EXPECT_EQ(files["README.txt"].extra, std::string("UT\x05\x00\x01\x41\x2F\xBE\x60", 9));
  EXPECT_EQ(files["docs/"].dosDate, 0x576EB1AAu);
  EXPECT_EQ(files["docs/"].extra, std::string("UT\x05\x00\x01\x00\xF1\x53\x65", 9));
  order.clear();
  ReadZip(info, &order);
  EXPECT_TRUE(std::is_sorted(order.begin(), order.end())) << ::testing::PrintToString(order);
}
