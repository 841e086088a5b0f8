// The package: its integrity checks, the work folder, the copies of both
// archives, the extraction of the information archive, and the unpack-only
// mode.
#pragma once

#include <cstdint>
#include <string>

#include "common/prelude.h"
#include "script/languages.h"

// The normal-path initialisation: on return the work folder exists, holds
// the payload copy and the extracted "Information\" tree and the paths are
// set; returns the package's usable localization files. Every failure ends
// the process.
std::vector<Language> Initialise();

// Writes the payload archive as "ProgramData.zip" into `folder`. Returns 1
// when written, 0 when the folder is blank; every failure ends the process.
int UnpackOnly(const std::wstring& folder);

// Copies `length` bytes from `offset` of `source` to `destination` in
// chunks of 5 MiB (read and written in pieces). After each full chunk i
// of k it calls `progress` (when given) with i * 100 / k; a progress that
// returns true stops the copy. False when the buffer cannot be obtained
// (nothing copied), a read or write fails, or the progress stopped it.
using CopyProgress = bool (*)(int percent);
bool CopyRange(HANDLE source, HANDLE destination, int64_t offset, int64_t length, CopyProgress progress);

constexpr int64_t kCopyChunk = 5242880;

// Reads exactly `size` bytes at the file's position: one piece of a copy.
// A function of its own, so that the tests' build of the stub can hold a
// copy while it runs.
bool ReadChunk(HANDLE file, void* buffer, DWORD size);
