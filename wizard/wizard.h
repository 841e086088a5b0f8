// The installation wizard: the setup stub's only window.
#pragma once

#include <string>

// Loads texts, settings and documents, applies the gates, and runs the
// wizard until the user cancels or finishes; never returns.
[[noreturn]] void RunWizard(const std::wstring& localizationFile);
