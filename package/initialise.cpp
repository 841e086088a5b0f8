// The normal-path initialisation: the "Initializing..." window, the package
// checks, the work folder, both archive copies and the information archive.
#include "common/fatal_end.h"
#include "common/files.h"
#include "common/handles.h"
#include "common/log.h"
#include "common/message_box.h"
#include "common/progress_window.h"
#include "common/random.h"
#include "common/system_api.h"
#include "common/text.h"
#include "common/toolkit.h"
#include "package/extract.h"
#include "package/messages.h"
#include "package/package.h"
#include "package/package_file.h"
#include "package/temp_names.h"
#include "script/languages.h"
#include "startup/builtin_images.h"
#include "startup/process.h"
#include "common/outcome.h"

namespace {

enum : int { kCancelButton = 1000, kWaitText = 1001, kIcon = 1002, kProgressBar = 1003 };

HWND OpenInitializingWindow(HICON box) {
  ProgressWindowLook look{package_text::kInitializingTitle, package_text::kInitializingText, box,
                          kIcon, kWaitText, kProgressBar, kCancelButton, package_text::kCancel};
  look.buttonEnabled = true;  // Cancel stops the copies
  look.systemMenu = true;
  look.inPassiveRun = false;
  look.textHeight = 15;
  return OpenSmallProgressWindow(look);
}

[[noreturn]] void CannotCreate(const std::wstring& path) {
  NoteOutcome(kFailed);
  ui::Message(package_text::kCannotCreate + path, package_text::kErrorTitle, ui::kErrorIcon);
  CleanUp(0);
  EndPlain();
}

// The work folder: temp folder + a random number from 0 to 9,999,999 + "\",
// always a new folder that only administrators and the system may change.
void CreateWorkFolder() {
  const std::wstring temp = TempFolder();
  for (int attempt = 0; attempt < 10000; ++attempt) {
    std::wstring folder = WorkFolderName(temp, RandomUpTo(9999999));
    if (CreatePrivateFolder(folder)) {
      LogLine(L"work folder: " + folder);
      Process().workFolder = folder;
      SetUnfinishedWork(RemoveWorkFolder);
      return;
    }
  }
  // The temporary folder cannot be written to.
  NoteOutcome(kFailed);
  ui::Message(package_text::kCannotCreate + temp, package_text::kErrorTitle, ui::kErrorIcon);
  EndPlain();
}

std::wstring FreeTempFileName() {
  for (;;) {
    std::wstring name = TempFileName(Process().workFolder, RandomUpTo(99999999));
    if (!PathExists(name)) return name;
  }
}

void CopyOut(HANDLE package, const std::wstring& path, int64_t offset, int64_t length, bool watched) {
  HANDLE copy = CreateNewFile(path);
  if (copy == INVALID_HANDLE_VALUE) {
    CloseHandle(package);
    CannotCreate(path);
  }
  WatchCopy({kProgressBar, kCancelButton});
  bool ok = CopyRange(package, copy, offset, length, watched ? CopyProgressReport : nullptr);
  CloseHandle(copy);
  if (CopyCancelled()) {
    // Cancelled and confirmed: the files are closed, the work folder goes.
    CloseHandle(package);
    CleanUp(0);
  }
  if (!ok) {
    // No buffer, or a read or write failed: the copy is not the archive.
    CloseHandle(package);
    CannotCreate(path);
  }
}

void SetFixedPaths() {
  const std::wstring info = Process().workFolder + L"Information\\";
  PackagePaths& p = Paths();
  p.script = info + L"Config\\Script.ini";
  p.statistics = info + L"Config\\Statistics.ini";
  p.wizardBitmap = info + L"Resources\\WizBitmap.bmp";
  p.headerBitmap = info + L"Resources\\HeadBitmap.bmp";
  p.readMe = info + L"Resources\\ReadMe.txt";
  p.license = info + L"Resources\\License.txt";
}

}  // namespace

std::vector<Language> Initialise() {
  ScopedIcon box(CreateBoxIcon());
  HWND window = OpenInitializingWindow(box.get());
  PackageLayout layout;
  HANDLE package = OpenOwnPackage(&layout);
  RequireFreeSpace(layout.payloadLength + layout.infoLength);
  CreateWorkFolder();

  const std::wstring infoCopy = FreeTempFileName();
  Paths().payloadCopy = FreeTempFileName();
  CopyOut(package, infoCopy, layout.infoOffset, layout.infoLength, false);
  CopyOut(package, Paths().payloadCopy, layout.payloadOffset, layout.payloadLength, true);
  CloseHandle(package);

  const std::wstring information = Process().workFolder + L"Information\\";
  ExtractArchive(infoCopy, L"*.*", information, 1);
  DeleteFileW(infoCopy.c_str());
  std::vector<Language> languages = DiscoverLanguages(information + L"Languages\\");
  SetFixedPaths();
  ui::Close(window);
  return languages;
}
