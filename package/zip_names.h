// Entry names of the archives as the setup stub uses them. Pure logic.
#pragma once

#include <string>

// Replaces every "/" by "\".
std::wstring BackslashName(const std::wstring& name);

// Drops everything up to and including the first ":\" (a stored drive part
// such as C:\x\y.txt becomes x\y.txt).
std::wstring DropDrivePart(const std::wstring& name);

// True when a name (after the drive part is dropped) may be written below the
// destination: no ".." component, nothing that could name another drive,
// stream or device path. Names are in backslash form.
bool IsSafeEntryName(const std::wstring& name);
