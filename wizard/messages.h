// The wizard's own fixed texts; everything else it shows comes from the
// localization file.
#pragma once

namespace wizard_text {

// When the window or one of its controls cannot be created (title Key0).
constexpr wchar_t kNoWindow[] = L"The installation wizard could not be opened. Please restart your PC and run this "
                                L"installer again.";
// A failed free-space query.
constexpr wchar_t kUnknownSpace[] = L"n/a";

}  // namespace wizard_text
