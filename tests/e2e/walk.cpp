#include "tests/e2e/walk.h"

#include "wizard/controls.h"

int ShownPage(HWND w) {
  int shown = -1;
  for (int i = 0; i < 7; ++i) {
    if (!drive::Visible(w, kPageContainers[i])) continue;
    if (shown != -1) return -2;
    shown = i;
  }
  return shown;
}

HWND WaitWizard(const drive::Process& p, const std::wstring& title) {
  HWND w = drive::WaitWindow(p, title);
  EXPECT_NE(w, nullptr) << "the wizard did not appear";
  return w;
}

bool WaitFinishPage(HWND w, int timeoutMs) {
  return drive::WaitUntil(
      [w] { return drive::Visible(w, kFinishContainer) && drive::Visible(w, kFinishButton); }, timeoutMs);
}

::testing::AssertionResult WalkTo(HWND w, int page) {
  int shown = -1;
  // A page shows (not two, as while the wizard changes pages), and not the
  // one the last Next left.
  auto settled = [&](int left) {
    return drive::WaitUntil([&] { return (shown = ShownPage(w)) >= 0 && shown != left; }, 60000);
  };
  if (!settled(-1)) return ::testing::AssertionFailure() << "no page is shown";
  while (shown != page && !(page == kPageInstallation && shown == kPageFinish)) {
    if (shown == kPageInstallation && page == kPageFinish) {
      if (!WaitFinishPage(w)) break;
      shown = kPageFinish;
      continue;
    }
    if (shown > page || shown >= kPageInstallation) break;
    if (shown == kPageLicence && !drive::Checked(w, kLicenseBox) && !drive::Click(w, kLicenseBox)) break;
    if (!drive::Click(w, kNextButton) || !settled(shown)) break;
  }
  if (shown == page && page == kPageFinish && !WaitFinishPage(w)) shown = kPageInstallation;
  if (shown == page || (page == kPageInstallation && shown == kPageFinish)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "page " << ShownPage(w) << " is shown, not page " << page;
}

HWND StartInstallation(const drive::Process& p, const std::wstring& title) {
  HWND w = WaitWizard(p, title);
  if (!w) return nullptr;
  ::testing::AssertionResult walked = WalkTo(w, kPageInstallation);
  EXPECT_TRUE(walked);
  return walked ? w : nullptr;
}

void CleanUp(std::initializer_list<std::wstring> programs, std::initializer_list<RegistryKey> keys,
             std::initializer_list<std::wstring> paths) {
  for (const std::wstring& program : programs) StopProcessesNamed(program);
  for (const RegistryKey& key : keys) drive::DeleteKeyTree(key.first, key.second);
  for (const std::wstring& path : paths) {
    RemoveTree(path);
    DeleteFileW(path.c_str());
  }
}
