// Byte counts as the wizard shows them ("233.7 KB"). Pure logic.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The count in the unit of 1024^k with `decimals` digits after the point
// (none for plain bytes), a blank and the unit name from "Byte,KB,MB,GB,TB,
// PB,EB". k is the floor of ln(count) / ln(1024) worked out in single
// precision, so a count just below a power of 1024 may take the higher unit.
std::wstring FormatSize(uint64_t count, int decimals);

// The space an installation requires: the first 8 bytes of the statistics
// file, little-endian; a shorter file leaves the high bytes zero.
uint64_t RequiredSpaceOf(const unsigned char* statistics, size_t size);

// The first three characters of a path (a drive root such as C:\); a
// shorter path is taken whole.
std::wstring RootOf(const std::wstring& path);

// The value of a failed free-space query: every bit set.
constexpr uint64_t kUnknownSpace = ~uint64_t(0);
