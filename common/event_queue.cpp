#include "common/event_queue.h"

#include "common/toolkit.h"

namespace ui {

namespace {

// Events produced by the window procedure, oldest first.
constexpr int kQueueSize = 64;
Event g_queue[kQueueSize];
int g_head = 0, g_count = 0;

bool Pop(Event* e) {
  if (!g_count) return false;
  *e = g_queue[g_head];
  g_head = (g_head + 1) % kQueueSize;
  --g_count;
  return true;
}

bool IsUserInput(UINT message) {
  return (message >= WM_KEYFIRST && message <= WM_KEYLAST) || (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
         (message >= WM_NCMOUSEMOVE && message <= WM_NCMBUTTONDBLCLK) || message == WM_SYSCOMMAND ||
         message == BM_CLICK;
}

}  // namespace

void PushEvent(const Event& e) {
  if (g_count == kQueueSize) return;  // a flood of notifications; drop the newest
  g_queue[(g_head + g_count) % kQueueSize] = e;
  ++g_count;
  // An event made by a message another program sent (an accessibility tool
  // pressing a button) arrives while the thread waits for posted messages;
  // a posted wake-up lets the waiting loop take the event at once.
  if (InSendMessage()) PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
}

Event PollEvent() {
  Event e;
  if (Pop(&e)) return e;
  MSG m;
  bool got = PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE) != 0;
  if (got) DispatchToWindow(&m);
  // Messages sent by other threads are handled inside the peek, so an event
  // can appear even when no message was returned.
  if (Pop(&e)) return e;
  return {got ? EventType::kOther : EventType::kNone, 0, 0};
}

void KeepAlive() {
  MSG m;
  // Sent messages are handled inside the peek; only paint is taken.
  PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT)) DispatchMessageW(&m);
}

bool WaitServing(HANDLE object, DWORD timeoutMs) {
  const int events = g_count;
  const DWORD start = GetTickCount();
  bool signalled = false;
  for (;;) {
    DWORD left = INFINITE;
    if (timeoutMs != INFINITE) {
      const DWORD spent = GetTickCount() - start;
      if (spent >= timeoutMs) break;
      left = timeoutMs - spent;
    }
    const DWORD r = MsgWaitForMultipleObjects(object ? 1 : 0, object ? &object : nullptr, FALSE, left, QS_ALLINPUT);
    if (object && r == WAIT_OBJECT_0) {
      signalled = true;
      break;
    }
    if (r != (object ? WAIT_OBJECT_0 + 1 : WAIT_OBJECT_0)) break;  // time-out or failure
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(m.wParam));
        break;
      }
      if (!IsUserInput(m.message)) DispatchMessageW(&m);
    }
  }
  // What a click sent meanwhile queued goes too: the work did not wait for it.
  g_count = events;
  return signalled;
}

Event WaitEvent() {
  Event e;
  while (!Pop(&e)) {
    MSG m;
    if (GetMessageW(&m, nullptr, 0, 0) <= 0) return {EventType::kCloseWindow, 0, 0};
    DispatchToWindow(&m);
  }
  return e;
}

}  // namespace ui
