#include "tests/driver/package_fixture.h"

#include "package/trailer.h"
#include "tests/driver/screen.h"
#include "tools/tarnpack/builder.h"

namespace {

std::set<std::wstring> NumberedFolders(const std::wstring& temp) {
  std::set<std::wstring> out;
  for (const std::string& entry : drive::Tree(temp, false))
    if (entry.size() > 1 && entry.find_first_not_of("0123456789") == entry.size() - 1 && entry.back() == '\\')
      out.insert(Widen(entry.substr(0, entry.size() - 1)));
  return out;
}

}  // namespace

ScopedVariable::ScopedVariable(const wchar_t* name, const std::wstring& value) : name_(name) {
  DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
  if (n > 0) {
    old_.assign(n, L'\0');
    old_.resize(GetEnvironmentVariableW(name, &old_[0], n));
    had_ = true;
  }
  SetEnvironmentVariableW(name, value.c_str());
}

ScopedVariable::~ScopedVariable() { SetEnvironmentVariableW(name_.c_str(), had_ ? old_.c_str() : nullptr); }

std::wstring StubFile(const wchar_t* variant) {
  return std::wstring(kIs64Bit ? L"tarnstub64" : L"tarnstub") + variant + L".exe";
}

std::wstring UninstallerFile(const wchar_t* variant) {
  return std::wstring(kIs64Bit ? L"Uninstaller64" : L"Uninstaller") + variant + L".exe";
}

void PackageTest::SetUp() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  dir_ = L"C:\\tarntest\\" + Widen(info->test_suite_name()) + L"." + Widen(info->name()) + L"\\";
  RemoveTree(dir_);
  MakeFolders(dir_);
  CreateDirectoryW((dir_ + L"payload").c_str(), nullptr);
  Write(L"payload\\App.exe", "a program");
  WriteScript("[GeneralInformation]\r\nAppName = Demo App\r\nVersion = 1.0\r\n");
  foldersBefore_ = NumberedFolders(TempFolder());
}

void PackageTest::TearDown() {
  for (DWORD pid : started_) {
    const drive::Process p = drive::Open(pid);
    if (!p.Running()) continue;
    ADD_FAILURE() << "a started package was still running at the end of the test";
    p.Kill();
  }
  for (const std::wstring& f : NewWorkFolders()) RemoveTree(TempFolder() + f);
  RemoveTree(dir_);
}

void PackageTest::Write(const std::wstring& relative, const std::string& bytes) { WriteAt(dir_ + relative, bytes); }

void PackageTest::CopyHelper(const std::wstring& helper, const std::wstring& to) {
  EXPECT_TRUE(CopyFileW((BinFolder() + helper).c_str(), to.c_str(), FALSE)) << drive::Narrow(to);
}

BuildOptions PackageTest::Options(const std::wstring& name) const {
  BuildOptions o;
  o.stub = drive::Narrow(BinFolder() + stub_);
  o.payload = drive::Narrow(dir_ + L"payload");
  o.information = drive::Narrow(dir_ + L"info");
  o.output = drive::Narrow(dir_ + name);
  o.dataFolder = drive::Narrow(BinFolder() + L"data");
  o.languages = languages_;
  o.sourceDateEpoch = sourceDateEpoch_;
  return o;
}

std::wstring PackageTest::Build(const std::wstring& name) {
  const BuildOptions o = Options(name);
  BuildReport report;
  std::string error;
  EXPECT_TRUE(BuildPackage(o, &report, &error)) << error;
  return dir_ + name;
}

drive::Process PackageTest::Launch(const std::wstring& package, const std::wstring& arguments) {
  drive::Process p = drive::Start(package, arguments);
  EXPECT_TRUE(p.started()) << "cannot start " << drive::Narrow(package) << " (error " << GetLastError() << ")";
  if (p.started()) started_.push_back(p.pid());
  return p;
}

void PackageTest::Screenshot(HWND window, const std::wstring& name) {
  std::wstring folder = BinFolder() + L"screenshots\\";
  CreateDirectoryW(folder.c_str(), nullptr);
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::wstring file = folder + Widen(info->test_suite_name()) + L"." + Widen(info->name()) + L"-" + name +
                      L".png";
  drive::SaveScreenshot(window, file);
}

std::vector<std::wstring> PackageTest::NewWorkFolders() const {
  std::vector<std::wstring> out;
  for (const std::wstring& f : NumberedFolders(TempFolder()))
    if (!foldersBefore_.count(f)) out.push_back(f);
  return out;
}

bool PackageTest::SplitPackage(const std::string& package, std::string* stub, std::string* payload,
                               std::string* info) {
  PackageLayout l;
  if (ReadPackageLayout(reinterpret_cast<const unsigned char*>(package.data()), static_cast<int64_t>(package.size()),
                        &l) != TrailerState::kWhole)
    return false;
  *stub = package.substr(0, static_cast<size_t>(l.payloadOffset));
  *payload = package.substr(static_cast<size_t>(l.payloadOffset), static_cast<size_t>(l.payloadLength));
  *info = package.substr(static_cast<size_t>(l.infoOffset), static_cast<size_t>(l.infoLength));
  return true;
}

void PackageTest::ReplacePayload(const std::wstring& package, size_t size) {
  std::string stub, payload, info;
  ASSERT_TRUE(SplitPackage(ReadFileBytes(package), &stub, &payload, &info));
  unsigned char trailer[kTrailerSize];
  WriteTrailer(static_cast<int32_t>(info.size()), static_cast<int32_t>(size), trailer);
  std::string whole = stub + NoiseBytes(size, 7) + info + std::string(reinterpret_cast<char*>(trailer), kTrailerSize);
  Write(package.substr(dir_.size()), whole);
}
