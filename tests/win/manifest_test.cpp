// What Windows reads from the programs before they start: each manifest
// asks for an administrator (Wine does not enforce that; the manifest is
// read back here instead), names its own processor architecture, declares
// itself aware of each monitor's DPI, and keeps out the supportedOS list.
#include <gtest/gtest.h>
#include <windows.h>
#include <zlib.h>

#include <string>

#include "tests/driver/support.h"

namespace {

constexpr bool k64 = sizeof(void*) == 8;

std::string ManifestOf(const std::wstring& program) {
  HMODULE image = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!image) return "";
  std::string text;
  if (HRSRC found = FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {  // RT_MANIFEST
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(image, found)));
    if (bytes) text.assign(bytes, SizeofResource(image, found));
  }
  FreeLibrary(image);
  return text;
}

// A zlib stream's bytes, inflated; empty when the stream is damaged.
std::string Inflated(const std::string& stream) {
  std::string out;
  z_stream z = {};
  if (inflateInit(&z) != Z_OK) return out;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.data()));
  z.avail_in = static_cast<uInt>(stream.size());
  int result = Z_OK;
  while (result == Z_OK) {
    char piece[16384];
    z.next_out = reinterpret_cast<Bytef*>(piece);
    z.avail_out = sizeof piece;
    result = inflate(&z, Z_NO_FLUSH);
    out.append(piece, sizeof piece - z.avail_out);
  }
  inflateEnd(&z);
  if (result != Z_STREAM_END) out.clear();
  return out;
}

// The uninstaller as the stub carries it (deflated) and writes it beside a
// product (inflated).
std::wstring CarriedUninstaller(const std::wstring& stub) {
  HMODULE image = LoadLibraryExW(stub.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  std::string bytes;
  if (image) {
    if (HRSRC found = FindResourceW(image, L"UNINSTALLER", MAKEINTRESOURCEW(10))) {  // RT_RCDATA
      const char* data = static_cast<const char*>(LockResource(LoadResource(image, found)));
      if (data) bytes = Inflated(std::string(data, SizeofResource(image, found)));
    }
    FreeLibrary(image);
  }
  const std::wstring path = drive::TempFolder() + L"tarn-carried-uninstaller.exe";
  drive::WriteFileBytes(path, bytes);
  return path;
}

}  // namespace

TEST(Manifest, EachProgramAsksForAnAdministratorAndNamesItsArchitecture) {
  const std::wstring bin = drive::BinFolder();
  const std::wstring stub = bin + (k64 ? L"tarnstub64.exe" : L"tarnstub.exe");
  const std::wstring uninstaller = bin + (k64 ? L"Uninstaller64.exe" : L"Uninstaller.exe");
  const std::wstring carried = CarriedUninstaller(stub);
  EXPECT_EQ(drive::ReadFileBytes(carried), drive::ReadFileBytes(uninstaller)) << "the stub carries the built uninstaller";
  for (const std::wstring& program : {stub, uninstaller, carried}) {
    const std::string manifest = ManifestOf(program);
    SCOPED_TRACE(std::string(program.begin(), program.end()));
    ASSERT_FALSE(manifest.empty()) << "no manifest";
    EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"requireAdministrator\" uiAccess=\"false\"/>"),
              std::string::npos);
    EXPECT_EQ(manifest.find("supportedOS"), std::string::npos);
    EXPECT_NE(manifest.find("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/pm"
                            "</dpiAware>"),
              std::string::npos);
    EXPECT_NE(manifest.find("<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
                            "PerMonitorV2, PerMonitor</dpiAwareness>"),
              std::string::npos);
    const std::string arch = k64 ? "processorArchitecture=\"amd64\"" : "processorArchitecture=\"x86\"";
    size_t count = 0;
    for (size_t at = manifest.find(arch); at != std::string::npos; at = manifest.find(arch, at + 1)) ++count;
    EXPECT_EQ(count, 2u) << "the program's own identity and the common controls";
    EXPECT_EQ(manifest.find(k64 ? "\"x86\"" : "\"amd64\""), std::string::npos);
  }
  DeleteFileW(carried.c_str());
}
