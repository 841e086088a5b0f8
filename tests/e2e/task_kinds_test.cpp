// The task kinds of associations, services, servers, fonts and downloads as
// the installation runs them from a setup script: what they do, what they
// record for the uninstaller, and the systems on which services do nothing.
#include "common/text.h"
#include "tests/driver/package_fixture.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/script_builder.h"
#include "tests/e2e/walk.h"

namespace {

const std::string P = kPilcrow;  // the pilcrow between task fields
std::string Utf8(const std::wstring& s) { return text::ToUtf8(s); }

constexpr wchar_t kServerClass[] = L"CLSID\\{3F6B2C1E-8A4D-4E7B-9C21-5D0A7E4B6F93}";
constexpr wchar_t kFontsKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

std::wstring FontCopy() {
  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  return std::wstring(windows) + L"\\Fonts\\TarnMono.ttf";
}

}  // namespace

class TaskKinds : public PackageTest {
 protected:
  void SetUp() override {
    PackageTest::SetUp();
    dest_ = Dir() + L"dest\\";
  }
  // What the cases may have put on the machine goes, however they end.
  void TearDown() override {
    RemoveService(L"TarnKindsService", 10000);
    CleanUp({}, {{HKEY_CLASSES_ROOT, kServerClass}, {HKEY_CLASSES_ROOT, L"tnk_auto_file"}, {HKEY_CLASSES_ROOT, L".tnk"},
                 {HKEY_CLASSES_ROOT, L"Applications\\App.exe"},
                 {HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.tnk"}});
    drive::DeleteValue(HKEY_LOCAL_MACHINE, kFontsKey, L"Tarn Mono (TrueType)");
    RemoveFontResourceW(FontCopy().c_str());
    DeleteFileW(FontCopy().c_str());
    PackageTest::TearDown();
  }

  void Script(const std::string& tasks) {
    WriteScript(ScriptText("Kinds", "1").Section("iConfig", "PathChangeable = 1\r\n").Dest(dest_).Section("InstTasks", tasks));
  }

  // Runs the installation to the finish page; `during` answers what the
  // tasks ask. Returns the status line's last text, then presses Finish.
  std::wstring Install(const std::wstring& package, void (*during)(const drive::Process&) = nullptr) {
    drive::Process p = Launch(package);
    HWND w = StartInstallation(p, L"Kinds v.1 :: Setup");
    if (!w) return L"";
    if (during) during(p);
    EXPECT_TRUE(WalkTo(w, kPageFinish));
    std::wstring status = drive::Text(w, 253);
    drive::Click(w, 5);
    EXPECT_EQ(p.WaitExit(), 0u);
    return status;
  }

  std::string Record() { return ReadFileBytes(dest_ + L"Uninst0.dat"); }

  std::string ServiceLine() {
    return "Svc = INSTALLSERVICE" + P + "TarnKindsService" + P + "Tarn Kinds Service" + P + "\"" +
           Utf8(BinFolder()) + "test_service.exe\"" + P + "A test service" + P + "3\r\n";
  }

  std::wstring dest_;
};

TEST_F(TaskKinds, ServicesOnlyOnServiceCapableSystems) {
  if (kIs64Bit) GTEST_SKIP() << "i686 only: Windows 98 runs no 64-bit programs";
  Script(ServiceLine());
  std::wstring package = Build(L"kinds98.exe");
  {
    const EmulatedVersion windows98(L"kinds98.exe", L"win98");
    Install(package);
  }
  EXPECT_FALSE(ServiceExists(L"TarnKindsService"));
  EXPECT_EQ(Record().find("INSTALLSERVICE"), std::string::npos);
}

TEST_F(TaskKinds, ServiceIsInstalledAndRecorded) {
  Script(ServiceLine());
  std::wstring status = Install(Build(L"kinds.exe"));
  EXPECT_TRUE(ServiceExists(L"TarnKindsService"));
  EXPECT_NE(Record().find("Svc = INSTALLSERVICE" + P + "TarnKindsService\r\n"), std::string::npos);
  EXPECT_EQ(status, L"Installing service...");
}

TEST_F(TaskKinds, AssociationsAndServersAreRecordedForTheUninstaller) {
  Write(L"payload\\ops_server.dll", ReadFileBytes(BinFolder() + L"ops_server.dll"));
  Script("Assoc = ASSOCIATEEXTENSION" + P + "tnk" + P + "Tarn kinds file" + P + "<DefaultInstallPath>App.exe" + P + "0\r\n"
         "Server = REGISTERSERVER" + P + "<DefaultInstallPath>ops_server.dll\r\n"
         "Gone = REGISTERSERVER" + P + "<DefaultInstallPath>missing.dll\r\n");
  std::wstring status = Install(Build());
  const std::string record = Record();
  EXPECT_NE(record.find("Assoc = ASSOCIATEEXTENSION" + P + "App.exe" + P + "tnk\r\n"), std::string::npos) << record;
  EXPECT_NE(record.find("Server = REGISTERSERVER" + P + Utf8(dest_) + "ops_server.dll\r\n"), std::string::npos);
  // Recorded whatever the registration's result.
  EXPECT_NE(record.find("Gone = REGISTERSERVER" + P + Utf8(dest_) + "missing.dll\r\n"), std::string::npos);
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kServerClass));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"tnk_auto_file"));
  EXPECT_EQ(status, L"Registering file...");
}

TEST_F(TaskKinds, DownloadAsksFirstAndShowsTheAddress) {
  // Nothing listens on port 1: the download fails and leaves no file.
  Script("Get = DOWNLOADFILE" + P + "http://127.0.0.1:1/file.bin" + P + "<DefaultInstallPath>\\file.bin\r\n");
  std::wstring status = Install(Build(), [](const drive::Process& p) {
    drive::MessageBoxInfo box = drive::WaitMessageBox(p, 60000);
    ASSERT_NE(box.window, nullptr);
    EXPECT_EQ(drive::Narrow(box.text), "http://127.0.0.1:1/file.bin");
    EXPECT_NE(box.title.find(L"file.bin"), std::wstring::npos);
    EXPECT_EQ(box.title.find(L"\\\\"), std::wstring::npos);  // the save path's backslashes collapsed
    drive::Answer(box, IDOK);
  });
  EXPECT_EQ(status, L"Downloading file... (http://127.0.0.1:1/file.bin)");
  EXPECT_FALSE(FileExists(dest_ + L"file.bin"));
}

TEST_F(TaskKinds, FontsAreInstalledWithoutRecord) {
  const std::wstring font = BinFolder() + L"fonts\\DejaVuSansMono.ttf";
  ASSERT_TRUE(FileExists(font)) << "the build copies DejaVu Sans Mono beside the tests (fonts-dejavu-core)";
  Write(L"payload\\TarnMono.ttf", ReadFileBytes(font));
  Script("Font = INSTALLFONT" + P + "Tarn Mono (TrueType)" + P + "<DefaultInstallPath>TarnMono.ttf\r\n");
  Install(Build());
  EXPECT_TRUE(FileExists(FontCopy()));
  EXPECT_EQ(Narrow(GetText(HKEY_LOCAL_MACHINE, kFontsKey, L"Tarn Mono (TrueType)")), "TarnMono.ttf");
  EXPECT_EQ(Record().find("INSTALLFONT"), std::string::npos);
}
