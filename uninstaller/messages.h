// The uninstaller's fixed English texts. Everything else it shows comes from
// the uninstall data's [LocalizationUninstall] group.
#pragma once

namespace uninstall_text {

constexpr wchar_t kErrorTitle[] = L"Error";
constexpr wchar_t kNeedAdministrator[] = L"You need to run this setup program under an Administrator account!";
constexpr wchar_t kCannotStart[] =
    L"Could not start the uninstallation procedure (copy to temporary directory failed or script not found). "
    L"Please restart your PC and try again.";
// Followed by the data file's path and kScriptMissingEnd.
constexpr wchar_t kScriptMissing[] = L"The uninstallation script is missing!\r\n\r\n(";
constexpr wchar_t kScriptMissingEnd[] = L")";
// Followed by the installed data file's path and kDataChangedEnd.
constexpr wchar_t kDataChanged[] =
    L"The uninstallation data file was changed after the installation. It cannot be trusted, so nothing was "
    L"removed.\r\n\r\n(";
constexpr wchar_t kDataChangedEnd[] = L")";
constexpr wchar_t kWindowTitle[] = L"Tarnwick Install Platform";

}  // namespace uninstall_text
