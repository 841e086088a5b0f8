// The wizard as a person sees and walks it (the page shown, Next page after
// page, the installation started), and what a test leaves outside its folder
// removed.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>

#include "tests/e2e/e2e_support.h"

// The wizard's pages as ShownPage numbers them.
enum WizardPage : int {
  kPageWelcome = 0,
  kPageLicence = 1,
  kPageReadMe = 2,
  kPageDestination = 3,
  kPageGroup = 4,
  kPageInstallation = 5,
  kPageFinish = 6,
};

// The wizard's question when Cancel is pressed.
inline constexpr wchar_t kConfirmTitle[] = L"Please confirm";
inline constexpr wchar_t kConfirmQuit[] =
    L"Are you sure you want to quit? You can install this program at a later time just by running the installer. "
    L"Press 'Yes' to exit or 'No' to continue with the installation.";

// The page whose container is shown: 0 to 6, -1 for none, -2 for several.
int ShownPage(HWND w);
// Waits for the wizard's window with this title.
HWND WaitWizard(const drive::Process& p, const std::wstring& title = kDemoTitle);
// Waits until the finish page and its Finish button are shown.
bool WaitFinishPage(HWND w, int timeoutMs = 60000);

// The wizard takes clicks from its queue: what a click changes shows a
// moment later.
#define EXPECT_SOON(condition) \
  EXPECT_TRUE(drive::WaitUntil([&] { return static_cast<bool>(condition); })) << #condition << "; "
#define ASSERT_SOON(condition) \
  ASSERT_TRUE(drive::WaitUntil([&] { return static_cast<bool>(condition); })) << #condition << "; "

// Presses Next until `page` is shown, ticking the licence box on the way
// when it is not ticked. kPageInstallation: until the installation has
// begun (its page or, already, the finish page). kPageFinish: until the
// finish page and its Finish button are shown. Fails with the page that
// stayed.
::testing::AssertionResult WalkTo(HWND w, int page);

// Waits for the wizard of `p` and walks it until the installation has
// begun. Null without a wizard or when a page did not follow.
HWND StartInstallation(const drive::Process& p, const std::wstring& title = kDemoTitle);

// A registry key with everything below it.
using RegistryKey = std::pair<HKEY, std::wstring>;

// Removes what a test leaves outside its folder, however it ended: running
// programs by file name, registry keys, then files and folders.
void CleanUp(std::initializer_list<std::wstring> programs, std::initializer_list<RegistryKey> keys,
             std::initializer_list<std::wstring> paths = {});

