// The fixed English texts of start-up. They appear before a localization
// file is loaded, so they are not taken from one.
#pragma once

namespace startup_text {

constexpr wchar_t kErrorTitle[] = L"Error";

constexpr wchar_t kNeedAdministrator[] = L"You need to run this setup program under an Administrator account!";

constexpr wchar_t kCompatibilityTitle[] = L"Compatibility problem";
constexpr wchar_t kCompatibility[] =
    L"We are sorry, Tarnwick SetupForge was designed for WinNT and later operating systems. Please upgrade your PC!";

constexpr wchar_t kInstanceTitle[] = L"Tarnwick Install Platform";
constexpr wchar_t kInstanceRunning[] =
    L"Another installation driven by TIP is in progress. Please finish the active installation and run this "
    L"installer again.";

constexpr wchar_t kUsage[] =
    L"If you want to unpack the contained files to check them before installation, the syntax is:\r\n"
    L"Installer.exe -u [PathToStoreUnpackedFiles]";

constexpr wchar_t kSuccessTitle[] = L"Success";
constexpr wchar_t kUnpackWritten[] = L"The file was written. You can unpack them with any ZIP compatible archiver.";

// The title of the list of switches in a stub without version information.
constexpr wchar_t kSetupTitle[] = L"Setup";

constexpr wchar_t kCorruptedNoLanguage[] =
    L"This installer is corrupted. Please obtain another copy and retry installation.";

}  // namespace startup_text
