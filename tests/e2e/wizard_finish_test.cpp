// The finish page: the options it offers from the install task list, what
// Finish carries out of them, the restart it may ask for, and the end of
// the run.
#include <shlobj.h>

#include "tests/driver/package_fixture.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/script_builder.h"
#include "tests/e2e/walk.h"
#include "wizard/controls.h"

namespace {

// The place a link goes to, as the finish page words it.
std::wstring Place(int index) { return T(index == 10 || index == 11 ? 43 : 42) + L" " + T(44 + index); }

std::string Lines(const std::vector<std::wstring>& items) {
  std::string out;
  for (const std::wstring& i : items) out += "\n  \"" + drive::Narrow(i) + "\"";
  return out;
}

}  // namespace

class WizardFinish : public WizardTest {
 protected:
  void SetUp() override {
    PackageTest::SetUp();
    // The finish page may offer a restart: this stub only notes it down.
    UseStub(StubFile(L"-test"));
  }
  void TearDown() override {
    // The group, and links a finish option may have made outside the test's folder.
    CleanUp({}, {{HKEY_LOCAL_MACHINE, std::wstring(kUninstallKey) + L"Demo App"}},
            {CommonPrograms() + L"Demo App", ShellPath(CSIDL_DESKTOPDIRECTORY) + L"Tarn Finish Site.url",
             ShellPath(CSIDL_COMMON_STARTMENU) + L"Tarn Finish Second.lnk",
             ShellPath(CSIDL_COMMON_DESKTOPDIRECTORY) + L"Tarn Never.url"});
    PackageTest::TearDown();
  }

  // A script for "Demo App" installing below the test's folder without a
  // Start-menu page, UTF-8 with a byte-order mark as the authoring tool
  // writes it.
  void Script(const std::vector<std::string>& tasks, bool restart) {
    ScriptText s;
    s.Section("InstTasks");
    for (size_t i = 0; i < tasks.size(); ++i) s.Add("Task" + std::to_string(i) + " = " + tasks[i] + "\r\n");
    s.Section("iConfig", "PathChangeable = 1\r\nAutoCreateStartMenu = 0\r\n").Dest(Dest());
    WriteScript(s.Add(restart ? "RebootRequired = 1\r\n" : ""));
  }

  // From the welcome page through the installation to the finish page.
  HWND ToFinishPage(const drive::Process& p) {
    HWND w = WaitWizard(p);
    if (w) {
      EXPECT_TRUE(WalkTo(w, kPageFinish));
    }
    return w;
  }

  // Unticks the options at these positions.
  void Untick(HWND w, std::initializer_list<int> positions) {
    for (int i : positions) {
      ASSERT_TRUE(drive::ToggleTreeItem(w, kFinishOptions, i));
      ASSERT_FALSE(drive::TreeTicks(w, kFinishOptions).at(static_cast<size_t>(i))) << "option " << i;
    }
  }
};

// Links marked for the finish page and programs not run during the
// installation are offered in task order, then the restart; everything
// else offers nothing. Nothing unticked is carried out.
TEST_F(WizardFinish, OptionsFollowTheInstallTasks) {
  ASSERT_FALSE(T(62).empty()) << "cannot read the English language file";
  const std::wstring during = Recorder(L"during.exe");
  const std::string app = "<DefaultInstallPath>\\App.exe";
  Script({
             Task({"NORMALLINK", "17", "Demo", app, "1", "0", "<ProgramName> itself"}),
             Task({"RUN", "1", "0", "1", drive::Narrow(during), "now", "during the installation"}),
             Task({"INTERNETLINK", "11", "Tarn Finish Site", "http://www.example.test/", "1"}),
             Task({"NORMALLINK", "2", "Inside", app, "0", "0", "made during the installation"}),
             Task({"RUN", "0", "0", "0", app, "", "the demo"}),
             Task({"INTERNETLINK", "6", "Tarn Never", "http://www.example.test/never", "0"}),
             Task({"NORMALLINK", "12", "Tarn Finish Second", app, "1", "0", "the second shortcut"}),
             Task({"DELETEFILE", "<DefaultInstallPath>\\nothing.txt"}),
         },
         true);
  drive::Process p = Launch(Build());
  HWND w = ToFinishPage(p);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(drive::Visible(w, kFinishOptions));
  const std::vector<std::wstring> expected = {
      T(62) + L" " + Place(17) + L" " + T(96) + L" Demo App itself",
      T(63) + L" " + Place(11),
      T(64) + L" the demo",
      T(62) + L" " + Place(12) + L" " + T(96) + L" the second shortcut",
      T(94),
  };
  EXPECT_EQ(expected[0], L"Create shortcut in the program group (Start Menu) folder for Demo App itself");
  EXPECT_EQ(expected[1], L"Create internet link on the Desktop");
  std::vector<std::wstring> items = drive::TreeItems(w, kFinishOptions);
  EXPECT_EQ(items, expected) << "offered:" << Lines(items);
  EXPECT_EQ(drive::TreeTicks(w, kFinishOptions), std::vector<bool>(expected.size(), true));

  // The lines that offer nothing were carried out during the installation.
  EXPECT_TRUE(FileExists(during + L".log")) << "the program to run during the installation did not run";
  EXPECT_TRUE(FileExists(Dest() + L"Inside.lnk")) << "the shortcut of the installation was not made";

  std::string requestsBefore = ReadFileBytes(kRestartRequests);
  Untick(w, {0, 1, 2, 3, 4});
  FinishAndExpectEnd(p, w);
  EXPECT_FALSE(FileExists(ShellPath(CSIDL_DESKTOPDIRECTORY) + L"Tarn Finish Site.url"));
  EXPECT_FALSE(FileExists(ShellPath(CSIDL_COMMON_STARTMENU) + L"Tarn Finish Second.lnk"));
  EXPECT_FALSE(FileExists(ShellPath(CSIDL_COMMON_DESKTOPDIRECTORY) + L"Tarn Never.url"));
  EXPECT_EQ(ReadFileBytes(kRestartRequests), requestsBefore) << "a restart was requested";
}

// Without options and without a restart the list is not shown; a restart
// alone is one option.
TEST_F(WizardFinish, OptionListOnlyWhenThereIsSomethingToOffer) {
  const std::wstring during = Recorder(L"during.exe");
  Script({Task({"RUN", "1", "1", "1", drive::Narrow(during), "", "hidden, during the installation"}),
          Task({"NORMALLINK", "2", "Inside", "<DefaultInstallPath>\\App.exe", "0", "0", "not offered"})},
         false);
  {
    drive::Process p = Launch(Build(L"nothing.exe"));
    HWND w = ToFinishPage(p);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(drive::Exists(w, kFinishOptions));
    EXPECT_FALSE(drive::Visible(w, kFinishOptions));
    EXPECT_TRUE(drive::TreeItems(w, kFinishOptions).empty());
    EXPECT_TRUE(drive::Visible(w, kFinishTitle));
    EXPECT_TRUE(drive::Visible(w, kFinishText));
    FinishAndExpectEnd(p, w);
  }
  RemoveTree(Dest());
  Script({}, true);
  {
    drive::Process p = Launch(Build(L"restart.exe"));
    HWND w = ToFinishPage(p);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(drive::Visible(w, kFinishOptions));
    EXPECT_EQ(drive::TreeItems(w, kFinishOptions), std::vector<std::wstring>{T(94)});
    EXPECT_EQ(drive::TreeTicks(w, kFinishOptions), std::vector<bool>{true});
    Untick(w, {0});
    FinishAndExpectEnd(p, w);
  }
}

// Two programs offered on the finish page, one from the installed payload
// and one from elsewhere; only the one left ticked runs, with its
// parameters, in its own folder.
TEST_F(WizardFinish, OnlyTickedProgramsRun) {
  Recorder(L"payload\\tools\\first.exe");
  const std::wstring second = Recorder(L"elsewhere\\second.exe");
  const std::wstring third = Recorder(L"elsewhere\\third.exe");
  Script({Task({"RUN", "1", "0", "0", "<DefaultInstallPath>\\tools\\first.exe", "alpha \"two words\"",
                "the first recorder"}),
          Task({"RUN", "1", "0", "0", drive::Narrow(second), "beta", "the second recorder"}),
          Task({"RUN", "0", "1", "0", drive::Narrow(third), "gamma", "<ProgramName> recorder"})},
         false);
  const std::wstring log = Dir() + L"setup.log";
  drive::Process p = Launch(Build(), L"/LOG=" + log);
  HWND w = ToFinishPage(p);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(drive::TreeItems(w, kFinishOptions),
            (std::vector<std::wstring>{T(64) + L" the first recorder", T(64) + L" the second recorder",
                                       T(64) + L" Demo App recorder"}));
  // Nothing ran before Finish: the installation is over, and a recorder
  // it had started would still run or would have written its note.
  EXPECT_TRUE(NeverStarted(L"first.exe", Dest() + L"tools\\first.exe.log"));
  EXPECT_TRUE(NeverStarted(L"second.exe", second + L".log"));
  EXPECT_TRUE(NeverStarted(L"third.exe", third + L".log"));

  Untick(w, {1});
  FinishAndExpectEnd(p, w);
  // The first waits for its program, so its note is there already.
  ASSERT_TRUE(FileExists(Dest() + L"tools\\first.exe.log")) << "the ticked program did not run";
  std::wstring first = Widen(ReadFileBytes(Dest() + L"tools\\first.exe.log"));
  EXPECT_NE(first.find(L"alpha \"two words\""), std::wstring::npos) << drive::Narrow(first);
  std::wstring folder = Dest() + L"tools";
  EXPECT_NE(first.find(L"\n" + folder + L"\n"), std::wstring::npos) << drive::Narrow(first);
  // The note may be there before its text: the wait is for the text.
  EXPECT_TRUE(drive::WaitUntil([&] {
    return FileExists(third + L".log") && Widen(ReadFileBytes(third + L".log")).find(L"gamma") != std::wstring::npos;
  })) << "the third program did not run, or its note lacks its argument";
  // The run has ended: whatever it started has been started.
  EXPECT_TRUE(NeverStarted(L"second.exe", second + L".log")) << "the unticked program ran";
  // The setup runs elevated (Wine's administrator): the program it waits for
  // starts from the setup, the other one from the desktop shell's process.
  const std::string said = ReadFileBytes(log);
  EXPECT_NE(said.find("  started by this program: " + drive::Narrow(Dest()) + "tools\\first.exe\r\n"),
            std::string::npos) << said;
  EXPECT_NE(said.find("  started as the signed-in user by the desktop shell: " + drive::Narrow(third) + "\r\n"),
            std::string::npos) << said;
}

// Links offered on the finish page are made on Finish when left ticked,
// with the fields of their task line.
TEST_F(WizardFinish, OnlyTickedLinksAreMade) {
  const std::string app = "<DefaultInstallPath>\\App.exe";
  Script({Task({"NORMALLINK", "2", "Ticked Shortcut", app, "1", "0", "the ticked shortcut"}),
          Task({"NORMALLINK", "2", "Unticked Shortcut.LNK", app, "1", "0", "the unticked shortcut"}),
          Task({"INTERNETLINK", "2", "Ticked Site", "http://www.example.test/ticked", "1"}),
          Task({"INTERNETLINK", "2", "Unticked Site", "http://www.example.test/unticked", "1"})},
         false);
  drive::Process p = Launch(Build());
  HWND w = ToFinishPage(p);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(drive::TreeItems(w, kFinishOptions),
            (std::vector<std::wstring>{T(62) + L" " + Place(2) + L" " + T(96) + L" the ticked shortcut",
                                       T(62) + L" " + Place(2) + L" " + T(96) + L" the unticked shortcut",
                                       T(63) + L" " + Place(2), T(63) + L" " + Place(2)}));
  // Not made during the installation.
  EXPECT_FALSE(FileExists(Dest() + L"Ticked Shortcut.lnk"));
  EXPECT_FALSE(FileExists(Dest() + L"Ticked Site.url"));

  Untick(w, {1, 3});
  FinishAndExpectEnd(p, w);
  ASSERT_TRUE(FileExists(Dest() + L"Ticked Shortcut.lnk")) << "the ticked shortcut was not made";
  const std::string shortcut = ReadFileBytes(Dest() + L"Ticked Shortcut.lnk");
  const std::wstring description = L"the ticked shortcut";
  EXPECT_NE(shortcut.find(std::string(reinterpret_cast<const char*>(description.data()), description.size() * 2)),
            std::string::npos)
      << "the shortcut lacks its description";
  EXPECT_NE(shortcut.find("App.exe"), std::string::npos) << "the shortcut does not lead to the program";
  ASSERT_TRUE(FileExists(Dest() + L"Ticked Site.url")) << "the ticked internet link was not made";
  EXPECT_NE(ReadFileBytes(Dest() + L"Ticked Site.url").find("URL=http://www.example.test/ticked"), std::string::npos);
  EXPECT_FALSE(FileExists(Dest() + L"Unticked Shortcut.LNK"));
  EXPECT_FALSE(FileExists(Dest() + L"Unticked Site.url"));
}

// The restart option asks for a restart (EWX_REBOOT) only when ticked.
TEST_F(WizardFinish, RestartOnlyWhenTicked) {
  Script({}, true);
  const std::wstring package = Build();
  for (bool ticked : {false, true}) {
    SCOPED_TRACE(ticked ? "ticked" : "unticked");
    std::string before = ReadFileBytes(kRestartRequests);
    drive::Process p = Launch(package);
    HWND w = ToFinishPage(p);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(drive::TreeItems(w, kFinishOptions), std::vector<std::wstring>{T(94)});
    if (!ticked) Untick(w, {0});
    FinishAndExpectEnd(p, w);
    std::string after = ReadFileBytes(kRestartRequests);
    if (ticked) {
      ASSERT_GT(after.size(), before.size()) << "no restart was requested";
      EXPECT_EQ(after.substr(0, before.size()), before);
      EXPECT_EQ(after.substr(before.size()), "2\r\n");
    } else {
      EXPECT_EQ(after, before) << "a restart was requested";
    }
    RemoveTree(Dest());
  }
}

// Finish removes the work folder, leaves the installed product with its
// uninstaller, and ends the run with exit code 0.
TEST_F(WizardFinish, FinishEndsTheRunAndKeepsTheProduct) {
  Write(L"payload\\docs\\readme.txt", "installed text");
  Script({}, false);
  drive::Process p = Launch(Build());
  HWND w = ToFinishPage(p);
  ASSERT_NE(w, nullptr);
  EXPECT_FALSE(drive::Visible(w, kFinishOptions));
  EXPECT_TRUE(drive::Visible(w, kFinishButton));
  EXPECT_EQ(drive::Text(w, kFinishButton), T(27));
  EXPECT_EQ(NewWorkFolders().size(), 1u) << "the work folder is kept until Finish";
  FinishAndExpectEnd(p, w);
  EXPECT_EQ(ReadFileBytes(Dest() + L"App.exe"), "a program");
  EXPECT_EQ(ReadFileBytes(Dest() + L"docs\\readme.txt"), "installed text");
  EXPECT_TRUE(FileExists(Dest() + L"Uninst0.exe")) << "no uninstaller was written";
  EXPECT_TRUE(FileExists(Dest() + L"Uninst0.dat")) << "no uninstall data was written";
}
