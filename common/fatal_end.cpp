#include "common/fatal_end.h"

#include "common/heap.h"
#include "common/log.h"
#include "common/outcome.h"
#include "common/prelude.h"
#include "common/quiet_run.h"

namespace {

constexpr size_t kReserveBytes = 1 << 20;

void (*g_undo)() = nullptr;
void* g_reserve = nullptr;

constexpr wchar_t kTitle[] = L"Error";
constexpr wchar_t kOutOfMemory[] = L"The program ran out of memory and cannot go on. Nothing more was changed.";
constexpr wchar_t kBroken[] = L"The program met an internal error and cannot go on. Nothing more was changed.";

[[noreturn]] void End(const wchar_t* text) {
  FreeHeapBytes(g_reserve);  // what follows may need memory
  g_reserve = nullptr;
  LogLine(text);
  UndoUnfinishedWork();
  // Straight to the system: the toolkit may need the memory that is gone.
  if (!ui::Quiet()) MessageBoxW(nullptr, text, kTitle, MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_SETFOREGROUND);
  CloseLog();
  ExitProcess(kFailed);
}

}  // namespace

void EndOutOfMemory() { End(kOutOfMemory); }
void EndBrokenInvariant() { End(kBroken); }

void SetUnfinishedWork(void (*undo)()) {
  g_undo = undo;
  if (undo && !g_reserve) g_reserve = HeapBytes(kReserveBytes);
}

void UndoUnfinishedWork() {
  void (*undo)() = g_undo;
  g_undo = nullptr;  // an end met while it runs does not start it again
  FreeHeapBytes(g_reserve);
  g_reserve = nullptr;
  if (undo) undo();
}
