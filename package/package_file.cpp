#include "package/package_file.h"

#include "common/event_queue.h"
#include "common/log.h"
#include "common/message_box.h"
#include "common/system_api.h"
#include "common/text.h"
#include "common/toolkit.h"
#include "package/messages.h"
#include "startup/process.h"
#include "common/outcome.h"

namespace {

[[noreturn]] void Fail(const wchar_t* text) {
  NoteOutcome(kFailed);
  ui::Message(text, package_text::kErrorTitle, ui::kErrorIcon);
  EndPlain();
}

CopyWatch g_watch = {};
bool g_cancelled = false;

bool ReadOwnBytes(void* file, int64_t offset, unsigned char* out, int count) {
  DWORD got = 0;
  return SeekTo(file, offset) &&
         ReadFile(file, out, static_cast<DWORD>(count), &got, nullptr) && got == static_cast<DWORD>(count);
}

}  // namespace

HANDLE OpenOwnPackage(PackageLayout* layout) {
  wchar_t path[MAX_PATH + 1] = {};
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH + 1);
  HANDLE file = INVALID_HANDLE_VALUE;
  if (n > 0 && n <= MAX_PATH)
    file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) Fail(package_text::kCannotRead);

  LARGE_INTEGER size = {};
  TrailerState state = TrailerState::kIncomplete;
  if (FileSizeOf(file, &size.QuadPart)) state = ReadPackageLayout(size.QuadPart, ReadOwnBytes, file, layout);
  LogLine(L"package: " + std::wstring(path) + L", " + text::Decimal(size.QuadPart) + L" bytes; " +
          (state == TrailerState::kWhole ? L"payload archive " + text::Decimal(layout->payloadLength) +
                                               L" bytes, information archive " + text::Decimal(layout->infoLength) +
                                               L" bytes"
           : state == TrailerState::kIncomplete ? std::wstring(L"incomplete (no trailer)")
                                                : std::wstring(L"corrupted (the trailer's lengths do not fit)")));
  if (state != TrailerState::kWhole) {
    CloseHandle(file);
    Fail(state == TrailerState::kIncomplete ? package_text::kIncomplete : package_text::kCorrupted);
  }
  return file;
}

void RequireFreeSpace(int64_t needed) {
  const std::wstring root = TempFolder().substr(0, 3);
  uint64_t freeToCaller = 0;
  int64_t available = -1;
  if (!root.empty() && FreeSpaceOf(root.c_str(), &freeToCaller)) available = static_cast<int64_t>(freeToCaller);
  LogLine(L"space: the copies take " + text::Decimal(needed) + L" bytes; the temporary folder's drive " + root +
          L" has " + (available < 0 ? std::wstring(L"an unknown number of") : text::Decimal(available)) +
          L" bytes free");
  if (available < needed) Fail(package_text::kNoSpace);
}

void WatchCopy(const CopyWatch& watch) { g_watch = watch; }

bool CopyProgressReport(int percent) {
  ui::SetProgress(g_watch.progressBar, percent);
  ui::Event e = ui::PollEvent();
  if (e.type != ui::EventType::kControl || e.id != g_watch.cancelButton) return false;
  if (ui::Message(package_text::kConfirmStop, package_text::kConfirmTitle, ui::kConfirm) != IDYES) return false;
  NoteOutcome(kCancelled);
  g_cancelled = true;
  return true;
}

bool CopyCancelled() { return g_cancelled; }
