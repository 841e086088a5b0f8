// The fixed English texts of the installation: the service operations'
// messages and the install procedure's first status lines. They do not
// come from the localization file.
#pragma once

namespace messages {

constexpr wchar_t kInfoTitle[] = L"Info";
constexpr wchar_t kNoServiceManager[] = L"Cannot open SCManager ADMIN ?";
constexpr wchar_t kCreateServiceFailed[] = L"CreateService Failed";
constexpr wchar_t kQueryServiceFailed[] = L"QueryServiceStatus Failed";

constexpr wchar_t kPreparing[] = L"Preparing to install...";
constexpr wchar_t kCreatingGroups[] = L"Creating program groups...";

// The payload could not be unpacked whole (title Key0): nothing stays installed.
constexpr wchar_t kNotUnpacked[] =
    L"This installer is corrupted: its files could not be unpacked completely. Nothing was installed. Please "
    L"obtain another copy of it.";

}  // namespace messages
