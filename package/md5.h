// MD5 message digest (RFC 1321). Pure logic.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

void Md5(const void* data, size_t length, uint8_t digest[16]);

// The digest as 32 lower-case hexadecimal digits.
std::wstring Md5Hex(const void* data, size_t length);
