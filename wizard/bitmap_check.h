// Whether a bitmap file holds what its headers say it holds. Pure logic.
#pragma once

#include <cstddef>
#include <cstdint>

// The start of a file that BitmapFitsFile reads: the file header and an
// information header of 40 bytes.
constexpr size_t kBitmapHeadBytes = 14 + 40;

// `head` holds the first min(fileSize, kBitmapHeadBytes) bytes of a file of
// `fileSize` bytes. True when the file is a Windows bitmap ("BM", a core or
// information header, 1 to 32 bits per pixel, uncompressed, bit fields or
// run-length encoded) whose colour table and pixels, as its headers state
// them, lie inside the file. LoadImage reads them from the file as stated,
// also past the end of a file that is cut short.
bool BitmapFitsFile(const unsigned char* head, size_t headLength, uint64_t fileSize);
