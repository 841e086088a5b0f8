// Shell shortcuts (".lnk", through the shell's link object) and internet
// shortcuts (".url", written as text).
#pragma once

#include <string>

// An empty working folder becomes the target's folder, an empty icon file
// the target; ".lnk" is appended unless the name ends with it. COM is
// initialised around every call. 1 when the shell saved the link; 0 when it
// could not (a missing folder), or COM or the link object is not available.
int CreateShortcut(const std::wstring& target, const std::wstring& linkFile, const std::wstring& arguments,
                   const std::wstring& description, const std::wstring& workingFolder, int showCommand, int hotKey,
                   const std::wstring& iconFile, int iconIndex);

// Two lines in UTF-8, each ended by CR LF: "[InternetShortcut]" and
// "URL=" + address. 1 when the file was written.
int CreateInternetLink(const std::wstring& address, const std::wstring& linkFile);
