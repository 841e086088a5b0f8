// Names of the work folder and of the temporary files in it. Pure logic.
#pragma once

#include <cstdint>
#include <string>

// temp folder (with a backslash added when missing) + number + "\".
std::wstring WorkFolderName(const std::wstring& tempFolder, uint32_t number);

// work folder + 32 lower-case hexadecimal digits + ".tmp". The digits are the
// MD5 digest of the first n bytes of the UTF-16 little-endian text of the
// number in decimal, n being the number of characters of that text (so only
// the first half of the text's bytes enter the digest).
std::wstring TempFileName(const std::wstring& workFolder, uint32_t number);
