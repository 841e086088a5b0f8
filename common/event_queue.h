// The toolkit's event queue: the window procedure turns control
// notifications into events by control number, and the program takes them
// one at a time; waits that keep the windows painting meanwhile.
#pragma once

#include "common/prelude.h"

namespace ui {

enum class EventType { kNone, kControl, kCloseWindow, kOther };
struct Event {
  EventType type = EventType::kNone;
  int id = 0;    // control number for kControl
  int code = 0;  // the notification code
};

// Queues an event (the window procedure's); a full queue drops it.
void PushEvent(const Event& e);

// Handles at most one pending window message without waiting. kNone when
// nothing was pending.
Event PollEvent();

// For long work between progress reports: the windows paint and answer
// messages other programs (and the system) send them, without waiting;
// user input stays queued for the next progress report.
void KeepAlive();
// Waits for the object (at most `timeoutMs`, INFINITE for no limit; a null
// object: just the time) while the windows keep painting and answering the
// system. User input that arrives meanwhile is dropped, with every event it
// would have made. True when the object was signalled.
bool WaitServing(HANDLE object, DWORD timeoutMs);
// Waits for the next control or close event.
Event WaitEvent();

}  // namespace ui
