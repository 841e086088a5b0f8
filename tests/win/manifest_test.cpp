// What Windows reads from the programs before they start: each manifest
// asks for an administrator (Wine does not enforce that; the manifest is
// read back here instead), names its own processor architecture, and keeps
// out the supportedOS list.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/ops/ops_support.h"

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

// The uninstaller as the stub carries it (and writes it beside a product).
std::wstring CarriedUninstaller(const std::wstring& stub) {
  HMODULE image = LoadLibraryExW(stub.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  std::string bytes;
  if (image) {
    if (HRSRC found = FindResourceW(image, L"UNINSTALLER", MAKEINTRESOURCEW(10))) {  // RT_RCDATA
      const char* data = static_cast<const char*>(LockResource(LoadResource(image, found)));
      if (data) bytes.assign(data, SizeofResource(image, found));
    }
    FreeLibrary(image);
  }
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring path = std::wstring(temp) + L"tarn-carried-uninstaller.exe";
  ops::WriteFileBytes(path, bytes);
  return path;
}

}  // namespace

TEST(Manifest, EachProgramAsksForAnAdministratorAndNamesItsArchitecture) {
  const std::wstring bin = ops::BinFolder();
  const std::wstring stub = bin + (k64 ? L"tarnstub64.exe" : L"tarnstub.exe");
  const std::wstring carried = CarriedUninstaller(stub);
  for (const std::wstring& program : {stub, bin + (k64 ? L"Uninstaller64.exe" : L"Uninstaller.exe"), carried}) {
    const std::string manifest = ManifestOf(program);
    SCOPED_TRACE(std::string(program.begin(), program.end()));
    ASSERT_FALSE(manifest.empty()) << "no manifest";
    EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"requireAdministrator\" uiAccess=\"false\"/>"),
              std::string::npos);
    EXPECT_EQ(manifest.find("supportedOS"), std::string::npos);
    const std::string arch = k64 ? "processorArchitecture=\"amd64\"" : "processorArchitecture=\"x86\"";
    size_t count = 0;
    for (size_t at = manifest.find(arch); at != std::string::npos; at = manifest.find(arch, at + 1)) ++count;
    EXPECT_EQ(count, 2u) << "the program's own identity and the common controls";
    EXPECT_EQ(manifest.find(k64 ? "\"x86\"" : "\"amd64\""), std::string::npos);
  }
  DeleteFileW(carried.c_str());
}
