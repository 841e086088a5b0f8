#include "common/fatal_end.h"

#include "common/log.h"
#include "common/outcome.h"
#include "common/prelude.h"
#include "common/toolkit.h"

namespace {

constexpr wchar_t kTitle[] = L"Error";
constexpr wchar_t kOutOfMemory[] = L"The program ran out of memory and cannot go on. Nothing more was changed.";
constexpr wchar_t kBroken[] = L"The program met an internal error and cannot go on. Nothing more was changed.";

[[noreturn]] void End(const wchar_t* text) {
  LogLine(text);
  // Straight to the system: the toolkit may need the memory that is gone.
  if (!ui::Quiet()) MessageBoxW(nullptr, text, kTitle, MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_SETFOREGROUND);
  CloseLog();
  ExitProcess(kFailed);
}

}  // namespace

void EndOutOfMemory() { End(kOutOfMemory); }
void EndBrokenInvariant() { End(kBroken); }
