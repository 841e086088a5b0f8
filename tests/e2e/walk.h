// The wizard walked as a person walks it (Next page after page, the
// installation started), what a test leaves outside its folder removed,
// and the registry reads and writes the tests need beyond text values.
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

// The registry beyond text values.
void MakeKey(HKEY root, const std::wstring& path);
void DeleteValue(HKEY root, const std::wstring& path, const std::wstring& name);
// A value's type and raw bytes; type REG_NONE with no bytes when it is missing.
struct RegValue {
  DWORD type = REG_NONE;
  std::string bytes;
  bool exists = false;
};
RegValue ReadValue(HKEY root, const std::wstring& path, const std::wstring& name);
// A REG_DWORD value, or -1.
int64_t GetNumber(HKEY root, const std::wstring& path, const std::wstring& name);
