// The fixed English messages of the service operations. They do not come
// from the localization file.
#pragma once

namespace messages {

constexpr wchar_t kInfoTitle[] = L"Info";
constexpr wchar_t kNoServiceManager[] = L"Cannot open SCManager ADMIN ?";
constexpr wchar_t kCreateServiceFailed[] = L"CreateService Failed";
constexpr wchar_t kQueryServiceFailed[] = L"QueryServiceStatus Failed";

}  // namespace messages
