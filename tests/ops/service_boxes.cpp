#include "tests/ops/service_boxes.h"

#include "tests/driver/driver.h"

BoxWatch::BoxWatch(std::function<void(const SeenBox&)> onBox) : onBox_(std::move(onBox)) {
  thread_ = std::thread([this] { Watch(); });
}

BoxWatch::~BoxWatch() {
  stop_ = true;
  thread_.join();
}

std::vector<SeenBox> BoxWatch::Boxes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return boxes_;
}

void BoxWatch::Watch() {
  const DWORD pid = GetCurrentProcessId();
  drive::Process self(OpenProcess(SYNCHRONIZE, FALSE, pid), pid);
  while (!stop_) {
    drive::MessageBoxInfo box = drive::WaitMessageBox(self, 50);
    if (!box.window) continue;
    SeenBox seen{box.title, box.text, box.buttons};
    {
      std::lock_guard<std::mutex> lock(mutex_);
      boxes_.push_back(seen);
    }
    if (onBox_) onBox_(seen);
    bool hasOk = false;
    for (int b : box.buttons) hasOk = hasOk || b == IDOK;
    drive::Answer(box, hasOk || box.buttons.empty() ? IDOK : box.buttons.front());
    drive::WaitGone(box.window, 5000);
  }
}
