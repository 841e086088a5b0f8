// Small file-system helpers over the wide-character Windows calls.
#pragma once

#include <cstdint>
#include <string>

#include "common/prelude.h"

// Creates every missing folder of a path up to its last backslash (the part
// after it is taken for a file name). True when that folder exists afterwards.
bool MakePath(const std::wstring& path);

// True when a file or folder of that name exists.
bool PathExists(const std::wstring& path);
bool IsFolder(const std::wstring& path);

// Creates a file for writing, replacing an existing one (never a read-only one).
HANDLE CreateFileForWriting(const std::wstring& path);

bool WriteAll(HANDLE file, const void* data, size_t size);
