// The fixed English texts of the language choice: they appear before a
// localization file is loaded.
#pragma once

namespace script_text {

constexpr wchar_t kErrorTitle[] = L"Error";
constexpr wchar_t kLanguageTitle[] = L"Language selection";
constexpr wchar_t kLanguagePrompt[] =
    L"Please choose your language from the list below. The installation will continue with the selected language.";
constexpr wchar_t kCancel[] = L"Cancel";
constexpr wchar_t kOk[] = L"OK";
constexpr wchar_t kNoLanguage[] = L"This installer package is incomplete and/or corrupted.";
constexpr wchar_t kCannotReadLocalization[] = L"Could not read the localization file from the temporary directory!";

}  // namespace script_text
