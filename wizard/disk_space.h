// The space an installation requires and the space a drive has.
#include <cstdint>
#include <string>

#pragma once

// The first 8 bytes of the statistics file, little-endian (a shorter file
// leaves the high bytes zero). False when the file cannot be opened.
bool ReadRequiredSpace(const std::wstring& path, uint64_t* bytes);

// Disk space of the volume that holds `root`: mode "f" the bytes free to the
// user, "t" the total, "u" the total minus the bytes free to the user
// (without regard to case). Any other mode, or a failed query: every bit set.
uint64_t DriveSpace(const std::wstring& root, wchar_t mode);

// A byte count as the destination page shows it, with one decimal; a text
// that says the figure is not known for the value of a failed query.
std::wstring SpaceText(uint64_t bytes);
