// The fixed English texts of the package checks, the copies and the
// unpack-only mode (title "Error", error icon, except the confirmation).
#pragma once

namespace package_text {

constexpr wchar_t kErrorTitle[] = L"Error";

constexpr wchar_t kCannotRead[] =
    L"Could not read the data contained inside. Please restart you PC and run this installer again.";
constexpr wchar_t kIncomplete[] =
    L"This installer is incomplete! If you downloaded it from the Internet try to transfer it again.";
constexpr wchar_t kCorrupted[] = L"This installer is corrupted. Please obtain another copy of it.";
constexpr wchar_t kNoSpace[] =
    L"You do not have enough free space on your drive. Please free some space and run this installer again.";
constexpr wchar_t kCannotCreate[] = L"Could not create the temporary file at location: \r\n";

constexpr wchar_t kConfirmTitle[] = L"Please confirm";
constexpr wchar_t kConfirmStop[] =
    L"Are you sure you want to stop the installation now? Press 'No' to continue or 'Yes' to end this program. "
    L"You can run this installer at a later time and continue the installation procedure.";

constexpr wchar_t kInitializingTitle[] = L"Initializing...";
constexpr wchar_t kInitializingText[] = L"Please wait while the installer prepares the wizard...";
constexpr wchar_t kCancel[] = L"Cancel";

constexpr wchar_t kUnpackTitle[] = L"Unpacking data contained for external check...";

}  // namespace package_text
