// SHA-256 message digest (FIPS 180-4). Pure logic.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

void Sha256(const void* data, size_t length, uint8_t digest[32]);

// The digest as 64 lower-case hexadecimal digits.
std::wstring Sha256Hex(const void* data, size_t length);
