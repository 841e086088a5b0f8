// What every end-to-end test needs: a fresh folder in the Wine machine, a
// payload and an information folder, a package built from them with the
// package builder, and a way to start it.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "tests/driver/support.h"
#include "tools/tarnpack/builder.h"

// The setup programs of this build's architecture beside the test program:
// "tarnstub.exe" and "Uninstaller.exe", in the 64-bit build "tarnstub64.exe"
// and "Uninstaller64.exe"; `variant` "-test" names the test builds.
std::wstring StubFile(const wchar_t* variant = L"");
std::wstring UninstallerFile(const wchar_t* variant = L"");
using drive::BinFolder;
using drive::kIs64Bit;
using drive::TempFolder;

class PackageTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The test's own folder, ending with "\".
  const std::wstring& Dir() const { return dir_; }
  // Writes a file below the test's folder, creating its folders.
  void Write(const std::wstring& relative, const std::string& bytes);
  void WriteScript(const std::string& ini) { Write(L"info\\Config\\Script.ini", ini); }
  // Copies one of the helper programs beside the test program to `to`.
  void CopyHelper(const std::wstring& helper, const std::wstring& to);
  // The setup stub that Build() uses: the product's, or the test build
  // (StubFile(L"-test")) whose restart requests are only written to
  // C:\tarnwick-restart-requests.txt.
  void UseStub(const std::wstring& name) { stub_ = name; }
  // Shipped localization files that Build() adds by name ("English", ...).
  void UseLanguages(const std::vector<std::string>& names) { languages_ = names; }
  // SOURCE_DATE_EPOCH for Build(): seconds since 1970, -1 for none.
  void UseSourceDateEpoch(int64_t seconds) { sourceDateEpoch_ = seconds; }
  // What Build() gives the package builder for Dir() + name.
  BuildOptions Options(const std::wstring& name) const;
  // Builds Dir() + name from Dir()\payload and Dir()\info.
  std::wstring Build(const std::wstring& name = L"setup.exe");
  // Replaces the payload archive of a built package by `size` bytes of
  // noise (the copy does not look into it), keeping the information archive.
  void ReplacePayload(const std::wstring& package, size_t size);
  // Splits a package by its trailer (before the signature of a signed one).
  static bool SplitPackage(const std::string& package, std::string* stub, std::string* payload, std::string* info);
  drive::Process Launch(const std::wstring& package, const std::wstring& arguments = L"");
  // Saves a picture of the window under the build folder's screenshots.
  void Screenshot(HWND window, const std::wstring& name);
  // Work folders (numbered folders in the user's temporary folder) that did
  // not exist when the test began.
  std::vector<std::wstring> NewWorkFolders() const;

 private:
  std::wstring dir_;
  std::wstring stub_ = StubFile();
  std::vector<std::string> languages_;
  int64_t sourceDateEpoch_ = -1;
  std::set<std::wstring> foldersBefore_;
  std::vector<DWORD> started_;
};

using drive::EmulatedVersion;

// Sets an environment variable of this process (and so of the programs it
// starts) for the life of the object.
class ScopedVariable {
 public:
  ScopedVariable(const wchar_t* name, const std::wstring& value);
  ~ScopedVariable();
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  std::wstring name_, old_;
  bool had_ = false;
};

// Files in the Wine machine.
using drive::Exists;
using drive::FileExists;
using drive::FolderExists;
using drive::MakeFolders;
using drive::MissingDriveRoot;
using drive::Narrow;
using drive::NoiseBytes;
using drive::ReadFileBytes;
using drive::RemoveTree;
using drive::Widen;
// Writes a file, creating its folders.
inline void WriteAt(const std::wstring& path, const std::string& bytes) {
  ASSERT_TRUE(drive::WriteFileBytes(path, bytes)) << drive::Narrow(path);
}

// Expects a message box with exactly this title, text and icon, answers it
// with `button`.
#define EXPECT_MESSAGE(process_, title_, text_, icon_, button_)                                  \
  do {                                                                                           \
    drive::MessageBoxInfo box_ = drive::WaitMessageBox(process_);                                \
    ASSERT_NE(box_.window, nullptr) << "no message box appeared";                                \
    EXPECT_EQ(drive::Narrow(box_.title), drive::Narrow(title_));                                 \
    EXPECT_EQ(drive::Narrow(box_.text), drive::Narrow(text_));                                   \
    EXPECT_STREQ(drive::IconName(box_.icon), drive::IconName(icon_));                            \
    EXPECT_TRUE(drive::Answer(box_, button_));                                                   \
  } while (0)
