// Signed packages (Authenticode), as the native build signs them beside the
// tests (bin\signed\, tests/e2e/make_signed.sh): a signed package installs
// like its unsigned twin and writes the signed uninstaller it carries (both
// signatures are checked with osslsigncode natively, in
// tests/tools/signing_test.cpp); the package and the uninstaller name the
// product and show its icon, as Explorer reads them; -u writes the same
// payload archive; damage is refused with the message its kind leads to.
// The Windows build of the package builder does not sign.
#include <algorithm>

#include "package/trailer.h"
#include "tests/driver/package_fixture.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/walk.h"
#include "tools/tarnpack/builder.h"

using drive::Icon;

namespace {

constexpr wchar_t kWritten[] = L"The file was written. You can unpack them with any ZIP compatible archiver.";
constexpr DWORD kFailed = 1603;

PeHeaders Headers(const std::string& file) {
  PeHeaders pe;
  const int64_t length = std::min<int64_t>(static_cast<int64_t>(file.size()), kPeHeadSize);
  EXPECT_TRUE(ReadPeHeaders(reinterpret_cast<const unsigned char*>(file.data()), length, &pe));
  return pe;
}

// A text of a program's version resource, as Explorer reads it.
std::wstring VersionText(const std::wstring& program, const std::wstring& name) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(program.c_str(), &ignored);
  std::vector<char> block(size + 1);
  void* value = nullptr;
  UINT length = 0;
  if (size == 0 || !GetFileVersionInfoW(program.c_str(), 0, size, block.data()) ||
      !VerQueryValueW(block.data(), (L"\\StringFileInfo\\040904B0\\" + name).c_str(), &value, &length))
    return L"(none)";
  return static_cast<const wchar_t*>(value);
}

// The sizes of a program's icon group 1: "16 48".
std::string IconSizes(const std::wstring& program) {
  std::string sizes;
  HMODULE image = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  HRSRC found = image ? FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14)) : nullptr;  // RT_GROUP_ICON
  const auto* group = found ? static_cast<const unsigned char*>(LockResource(LoadResource(image, found))) : nullptr;
  for (int i = 0; group && i < (group[4] | group[5] << 8); ++i)
    sizes += (sizes.empty() ? "" : " ") + std::to_string(group[6 + 14 * i] ? group[6 + 14 * i] : 256);
  if (image) FreeLibrary(image);
  return sizes;
}

// The messages a log holds, each without its time.
std::vector<std::string> LoggedMessages(const std::wstring& log) {
  std::vector<std::string> out;
  const std::string text = ReadFileBytes(log);
  for (size_t at = text.find("  message \""); at != std::string::npos; at = text.find("  message \"", at + 1))
    out.push_back(text.substr(at + 2, text.find("\r\n", at) - at - 2));
  return out;
}

}  // namespace

class Signed : public DemoInstallTest {
 protected:
  void SetUp() override {
    DemoInstallTest::SetUp();
    for (const wchar_t* name : {L"signed.exe", L"unsigned.exe"})
      ASSERT_TRUE(CopyFileW((BinFolder() + L"signed\\" + name).c_str(), (Dir() + name).c_str(), FALSE))
          << drive::Narrow(name) << " is not beside the tests: the native build signs it";
  }

  // An unattended installation into `folder`, logged to Dir()\log.txt; the
  // exit code.
  DWORD InstallQuietly(const std::wstring& package, const std::wstring& folder) {
    drive::Process p = Launch(package, L"/S /D=" + folder + L" /LOG=" + Log());
    return p.WaitExit(60000);
  }

  std::wstring Log() const { return Dir() + L"log.txt"; }

  // What an installation registers outside its folder.
  void Unregister() {
    CleanUp({}, {{HKEY_LOCAL_MACHINE, std::wstring(kUninstallKey) + L"Demo App"}}, {group_});
  }
};

TEST_F(Signed, InstallsLikeItsUnsignedTwinAndNamesTheProduct) {
  const std::string signedBytes = ReadFileBytes(Dir() + L"signed.exe");
  EXPECT_TRUE(Headers(signedBytes).Signed());
  EXPECT_FALSE(Headers(ReadFileBytes(Dir() + L"unsigned.exe")).Signed());
  const struct {
    const wchar_t* name;
    const wchar_t* text;
  } fields[] = {
      {L"FileDescription", L"Demo App Setup"}, {L"ProductName", L"Demo App"},
      {L"FileVersion", L"1.0"},                {L"ProductVersion", L"1.0"},
      {L"CompanyName", L"Tarn Demo Co"},       {L"LegalCopyright", L"\u00A9 2026 Tarn Demo Co"},
      {L"OriginalFilename", L"signed.exe"},
  };
  for (const auto& f : fields) EXPECT_EQ(VersionText(Dir() + L"signed.exe", f.name), f.text) << drive::Narrow(f.name);
  EXPECT_EQ(IconSizes(Dir() + L"signed.exe"), "16 48");
  // The platform's own icon.
  EXPECT_EQ(IconSizes(BinFolder() + StubFile()), "16 24 32 48 256");
  EXPECT_EQ(IconSizes(BinFolder() + UninstallerFile()), "16 24 32 48 256");

  const std::wstring fromSigned = Dir() + L"from signed\\", fromUnsigned = Dir() + L"from unsigned\\";
  EXPECT_EQ(InstallQuietly(Dir() + L"signed.exe", fromSigned), 0u);
  Unregister();
  EXPECT_EQ(InstallQuietly(Dir() + L"unsigned.exe", fromUnsigned), 0u);
  EXPECT_EQ(Tree(fromSigned),
            (std::set<std::string>{"App.exe", "docs\\", "docs\\readme.txt", "Uninst0.dat", "Uninst0.exe"}));
  EXPECT_EQ(Tree(fromSigned), Tree(fromUnsigned));
  for (const wchar_t* file : {L"App.exe", L"docs\\readme.txt"}) {
    SCOPED_TRACE(drive::Narrow(file));
    EXPECT_TRUE(ReadFileBytes(fromSigned + file) == ReadFileBytes(fromUnsigned + file));
  }
  EXPECT_EQ(ReadFileBytes(fromSigned + L"docs\\readme.txt"), "Read me first.\r\n");
  // Each writes the uninstaller it carries: the signed package a signed one.
  for (const std::wstring& folder : {fromSigned, fromUnsigned}) {
    SCOPED_TRACE(drive::Narrow(folder));
    std::string carried, error;
    ASSERT_TRUE(CarriedUninstaller(ReadFileBytes(Dir() + (folder == fromSigned ? L"signed.exe" : L"unsigned.exe")),
                                   &carried, &error)) << error;
    const std::string written = ReadFileBytes(folder + L"Uninst0.exe");
    EXPECT_TRUE(written == carried);
    EXPECT_EQ(Headers(written).Signed(), folder == fromSigned);
    EXPECT_EQ(VersionText(folder + L"Uninst0.exe", L"FileDescription"), L"Demo App Uninstaller");
    EXPECT_EQ(VersionText(folder + L"Uninst0.exe", L"LegalCopyright"), L"\u00A9 2026 Tarn Demo Co");
    EXPECT_EQ(IconSizes(folder + L"Uninst0.exe"), "16 48");
  }
  EXPECT_TRUE(NewWorkFolders().empty());
}

TEST_F(Signed, UnpackOnlyWritesThePayloadArchiveOfTheUnsignedTwin) {
  std::string stub, payload, info;
  ASSERT_TRUE(SplitPackage(ReadFileBytes(Dir() + L"unsigned.exe"), &stub, &payload, &info));
  for (const wchar_t* name : {L"signed.exe", L"unsigned.exe"}) {
    SCOPED_TRACE(drive::Narrow(name));
    const std::wstring target = Dir() + L"unpacked " + name;
    drive::Process p = Launch(Dir() + name, L"-u \"" + target + L"\"");
    EXPECT_MESSAGE(p, L"Success", kWritten, Icon::kInformation, IDOK);
    EXPECT_EQ(p.WaitExit(), 0u);
    EXPECT_TRUE(ReadFileBytes(target + L"\\ProgramData.zip") == payload);
  }
  EXPECT_TRUE(NewWorkFolders().empty());
}

// A byte changed in the first payload entry's stored bytes fails the
// entry's check while it is unpacked; a byte added after the signature
// leaves the certificate table short of the file's end.
TEST_F(Signed, DamagedSignedPackagesAreRefused) {
  const std::string bytes = ReadFileBytes(Dir() + L"signed.exe");
  std::string stub, payload, info;
  ASSERT_TRUE(SplitPackage(bytes, &stub, &payload, &info));
  // After the first entry's local header, name and extra field.
  const size_t data = 30 + static_cast<unsigned char>(payload[26]) + static_cast<unsigned char>(payload[28]);
  std::string changed = bytes;
  changed[stub.size() + data + 100] ^= 0x5A;
  const struct {
    const char* what;
    std::string bytes;
    const char* message;
  } cases[] = {
      {"a changed byte in the payload archive", changed,
       "message \"Error\": This installer is corrupted: its files could not be unpacked completely. Nothing was "
       "installed. Please obtain another copy of it."},
      {"a byte after the signature", bytes + "x",
       "message \"Error\": This installer is corrupted. Please obtain another copy of it."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Write(L"damaged.exe", c.bytes);
    EXPECT_EQ(InstallQuietly(Dir() + L"damaged.exe", dest_), kFailed);
    EXPECT_EQ(LoggedMessages(Log()), std::vector<std::string>{c.message});
    EXPECT_FALSE(Exists(dest_));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::wstring(kUninstallKey) + L"Demo App"));
    EXPECT_TRUE(NewWorkFolders().empty());
  }
}

TEST_F(Signed, TheWindowsBuildOfThePackageBuilderDoesNotSign) {
  BuildOptions o = Options(L"new.exe");
  o.signing.certificate = o.signing.key = drive::Narrow(BinFolder() + L"signed\\certificate.pem");
  BuildReport report;
  std::string error;
  EXPECT_FALSE(BuildPackage(o, &report, &error));
  EXPECT_EQ(error,
            "signing is not available in the Windows build of tarnpack; sign with the Linux build, which runs "
            "osslsigncode");
  EXPECT_FALSE(Exists(Dir() + L"new.exe"));
}
