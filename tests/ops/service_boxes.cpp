#include "tests/ops/service_boxes.h"

#include "tests/driver/driver.h"

namespace {

struct FoundBox {
  DWORD pid;
  HWND window;
};

BOOL CALLBACK FindBox(HWND window, LPARAM lp) {
  auto* found = reinterpret_cast<FoundBox*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != found->pid || !IsWindowVisible(window) || drive::ClassName(window) != L"#32770") return TRUE;
  found->window = window;
  return FALSE;
}

// The box's thread waits in the box and answers what it is sent.
std::wstring TextOf(HWND control) {
  wchar_t buffer[1024] = {};
  DWORD_PTR got = 0;
  SendMessageTimeoutW(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_NORMAL, 5000, &got);
  return buffer;
}

// Title, text and buttons; the icon is of no interest here.
SeenBox Describe(HWND box) {
  SeenBox seen{drive::Title(box), L"", {}};
  for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    const std::wstring kind = drive::ClassName(c);
    if (kind == L"Static" && (GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
      seen.text = TextOf(c);
    else if (kind == L"Button" && IsWindowVisible(c))
      seen.buttons.push_back(GetDlgCtrlID(c));
  }
  return seen;
}

}  // namespace

BoxWatch::BoxWatch(std::function<void(const SeenBox&)> onBox)
    : onBox_(std::move(onBox)), stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  thread_ = std::thread([this] { Watch(); });
}

BoxWatch::~BoxWatch() {
  SetEvent(stop_);
  thread_.join();
  CloseHandle(stop_);
}

std::vector<SeenBox> BoxWatch::Boxes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return boxes_;
}

// The operations show their boxes on the calling thread and wait in them, so
// a box stays open until this thread has recorded and answered it: when the
// operation returns, every box it showed is on record.
void BoxWatch::Watch() {
  do {
    FoundBox found{GetCurrentProcessId(), nullptr};
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&found));
    if (!found.window) continue;
    const SeenBox seen = Describe(found.window);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      boxes_.push_back(seen);
    }
    if (onBox_) onBox_(seen);
    bool hasOk = false;
    for (int b : seen.buttons) hasOk = hasOk || b == IDOK;
    drive::MessageBoxInfo box;
    box.window = found.window;
    drive::Answer(box, hasOk || seen.buttons.empty() ? IDOK : seen.buttons.front());
  } while (WaitForSingleObject(stop_, kLookEveryMs) == WAIT_TIMEOUT);
}
