// Signed packages (Authenticode), as the native build signs them beside the
// tests (bin\signed\, tests/e2e/make_signed.sh): a signed package installs
// like its unsigned twin, and the uninstaller it writes is the built one
// byte for byte; -u writes the same payload archive; damage is refused with
// the message its kind leads to. The Windows build of the package builder
// does not sign.
#include <algorithm>

#include "package/trailer.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/package_fixture.h"
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
    RemoveTree(group_);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(kUninstallKey) + L"Demo App").c_str());
  }
};

TEST_F(Signed, InstallsLikeItsUnsignedTwinAndWritesTheBuiltUninstaller) {
  const std::string signedBytes = ReadFileBytes(Dir() + L"signed.exe");
  EXPECT_TRUE(Headers(signedBytes).Signed());
  EXPECT_FALSE(Headers(ReadFileBytes(Dir() + L"unsigned.exe")).Signed());

  const std::wstring fromSigned = Dir() + L"from signed\\", fromUnsigned = Dir() + L"from unsigned\\";
  EXPECT_EQ(InstallQuietly(Dir() + L"signed.exe", fromSigned), 0u);
  Unregister();
  EXPECT_EQ(InstallQuietly(Dir() + L"unsigned.exe", fromUnsigned), 0u);
  EXPECT_EQ(Tree(fromSigned),
            (std::set<std::string>{"App.exe", "docs\\", "docs\\readme.txt", "Uninst0.dat", "Uninst0.exe"}));
  EXPECT_EQ(Tree(fromSigned), Tree(fromUnsigned));
  for (const wchar_t* file : {L"App.exe", L"docs\\readme.txt", L"Uninst0.exe"}) {
    SCOPED_TRACE(drive::Narrow(file));
    EXPECT_TRUE(ReadFileBytes(fromSigned + file) == ReadFileBytes(fromUnsigned + file));
  }
  EXPECT_EQ(ReadFileBytes(fromSigned + L"docs\\readme.txt"), "Read me first.\r\n");
  // The uninstaller carries no trailer and no signature: it is the built one.
  const std::string built = ReadFileBytes(BinFolder() + UninstallerFile());
  ASSERT_FALSE(built.empty());
  EXPECT_TRUE(ReadFileBytes(fromSigned + L"Uninst0.exe") == built);
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
