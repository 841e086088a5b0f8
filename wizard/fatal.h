// How the wizard ends a run it cannot go on with.
#pragma once

#include <string>

// Shows the text (title Key0, error icon), deletes the work folder and ends
// the process.
[[noreturn]] void EndWithMessage(const std::wstring& text);
// The same with the text of a localization key.
[[noreturn]] void EndWithKey(int key);
