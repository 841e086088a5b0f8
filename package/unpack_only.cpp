// The unpack-only mode: the payload archive written as "ProgramData.zip"
// into a folder named on the command line, for inspection with any ZIP tool.
#include "common/files.h"
#include "common/message_box.h"
#include "common/text.h"
#include "common/toolkit.h"
#include "package/messages.h"
#include "package/package.h"
#include "package/package_file.h"
#include "startup/process.h"
#include "common/outcome.h"

namespace {
enum : int { kCancelButton = 0, kProgressBar = 1 };
}

int UnpackOnly(const std::wstring& folderArgument) {
  if (text::Trim(folderArgument, L" ").empty()) return 0;
  const std::wstring folder = text::WithBackslash(folderArgument);
  MakePath(folder);

  HWND w = ui::OpenWindow(package_text::kUnpackTitle, 348, 58, DWORD(ui::Style::kTitleOnly));
  if (w) {
    ui::AddControl(w, {kCancelButton, ui::Kind::kButton, 245, 30, 95, 20, package_text::kCancel});
    ui::AddControl(w, {kProgressBar, ui::Kind::kProgress, 5, 5, 335, 15});
    ui::SetDialogButtons(w, kCancelButton, kCancelButton);
    ui::ShowWindowNow(w);
  }

  PackageLayout layout;
  HANDLE package = OpenOwnPackage(&layout);
  RequireFreeSpace(layout.payloadLength);

  const std::wstring target = folder + L"ProgramData.zip";
  HANDLE out = CreateFileForWriting(target);
  bool ok = out != INVALID_HANDLE_VALUE;
  if (ok) {
    WatchCopy({kProgressBar, kCancelButton});
    ok = CopyRange(package, out, layout.payloadOffset, layout.payloadLength, CopyProgressReport);
    CloseHandle(out);
  }
  CloseHandle(package);
  if (CopyCancelled()) {
    // Cancelled and confirmed: a part of the archive is no archive.
    DeleteFileW(target.c_str());
    EndPlain();
  }
  if (!ok) {
    // Not created, or not completely written: never reported as written.
    if (out != INVALID_HANDLE_VALUE) DeleteFileW(target.c_str());
    NoteOutcome(kFailed);
    ui::Message(package_text::kCannotCreate + target, package_text::kErrorTitle, ui::kErrorIcon);
    EndPlain();
  }
  ui::Close(w);
  return 1;
}
