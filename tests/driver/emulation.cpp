#include "tests/driver/emulation.h"

#include <cstdio>

#include "tests/driver/files.h"
#include "tests/driver/processes.h"
#include "tests/driver/registry.h"

namespace drive {

namespace {

const std::wstring kAppDefaults = L"Software\\Wine\\AppDefaults\\";

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

}  // namespace

void EmulateVersion(const std::wstring& exeName, const std::wstring& version) {
  if (version.empty()) DeleteValue(HKEY_CURRENT_USER, kAppDefaults + exeName, L"Version");
  else SetText(HKEY_CURRENT_USER, kAppDefaults + exeName, L"Version", version);
}

AppSettings::~AppSettings() { DeleteKeyTree(HKEY_CURRENT_USER, kAppDefaults + name_); }

void AppSettings::WithoutDll(const std::wstring& dll) {
  // An empty override: Wine loads the DLL neither from the system nor from
  // its own builds.
  SetText(HKEY_CURRENT_USER, kAppDefaults + name_ + L"\\DllOverrides", dll, L"");
}

bool LeftOutOnX64(const std::wstring& version, const std::string& what) {
  static const wchar_t* const kBeforeXp[] = {L"nt351", L"win95", L"win98", L"winme", L"nt40", L"win2k"};
  if (!kIs64Bit) return false;
  for (const wchar_t* old : kBeforeXp) {
    if (version != old) continue;
    std::printf("[ LEFT OUT ] %s under %s: i686 only, no x86_64 program runs on that system\n", what.c_str(),
                Narrow(version).c_str());
    std::fflush(stdout);
    return true;
  }
  return false;
}

::testing::AssertionResult RunEmulated(const std::wstring& version, const std::wstring& filter) {
  const std::wstring folder = FreshFolder(L"emulated-" + version);
  const std::wstring name = L"ops_" + version + L".exe";
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  if (!CopyFileW(self, (folder + name).c_str(), FALSE))
    return ::testing::AssertionFailure() << "cannot copy the test program";
  if (!SetText(HKEY_CURRENT_USER, kAppDefaults + name, L"Version", version))
    return ::testing::AssertionFailure() << "cannot set the emulated version";
  SetEnvironmentVariableW(L"TARNWICK_TEST_BIN", BinFolder().c_str());

  const std::wstring report = folder + L"report.xml";
  Process child = Start(folder + name, L"--gtest_also_run_disabled_tests --gtest_filter=" + filter +
                                           L" --gtest_output=xml:" + report);
  if (!child.started()) return ::testing::AssertionFailure() << "cannot start the copy";
  const DWORD code = child.WaitExit(180000);
  if (code == STILL_ACTIVE) child.Kill();

  const std::string xml = ReadFileBytes(report);
  const size_t ran = Count(xml, "status=\"run\"");
  if (code == STILL_ACTIVE) return ::testing::AssertionFailure() << "the copy did not end";
  if (ran == 0) return ::testing::AssertionFailure() << "no case matched " << Narrow(filter);
  if (code != 0 || Count(xml, "<failure") != 0)
    return ::testing::AssertionFailure() << "cases failed under " << Narrow(version) << " (exit code " << code << ")";
  return ::testing::AssertionSuccess();
}

}  // namespace drive

