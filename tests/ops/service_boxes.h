// Message boxes that the operations under test show in the test program
// itself: a second thread watches for them, records them and presses OK, so
// that an unexpected box fails the test instead of blocking it.
#pragma once

#include <windows.h>

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/progress_window.h"

inline ProgressWindow g_boxes;  // what the operations report to: no window, their messages are boxes

struct SeenBox {
  std::wstring title;
  std::wstring text;
  std::vector<int> buttons;
};

class BoxWatch {
 public:
  // `onBox` runs on the watching thread while the box is still open.
  explicit BoxWatch(std::function<void(const SeenBox&)> onBox = nullptr);
  ~BoxWatch();
  BoxWatch(const BoxWatch&) = delete;
  BoxWatch& operator=(const BoxWatch&) = delete;

  std::vector<SeenBox> Boxes() const;

 private:
  void Watch();

  static constexpr DWORD kLookEveryMs = 20;

  std::function<void(const SeenBox&)> onBox_;
  HANDLE stop_;
  mutable std::mutex mutex_;
  std::vector<SeenBox> boxes_;
  std::thread thread_;
};
