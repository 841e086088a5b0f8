// Names the uninstaller derives from its own path.
#pragma once

#include <string>

// The full path of the running program.
std::wstring OwnPath();

// The path with the extension of its file part replaced (or appended when
// the file part has none): folders whose names contain dots are left alone.
std::wstring WithExtension(const std::wstring& path, const std::wstring& extension);

// The text after the last dot of the path's file part; empty without a dot.
std::wstring ExtensionOf(const std::wstring& path);
