// SHA-256 message digest (FIPS 180-4). Pure logic.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

void Sha256(const void* data, size_t length, uint8_t digest[32]);

// The digest of bytes given a piece at a time.
class Sha256Stream {
 public:
  void Add(const void* data, size_t length);
  void Finish(uint8_t digest[32]);
  std::wstring FinishHex();

 private:
  uint32_t h_[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  uint8_t block_[64] = {};
  size_t used_ = 0;     // bytes in block_
  uint64_t length_ = 0;  // bytes added
};

// The digest as 64 lower-case hexadecimal digits.
std::wstring Sha256Hex(const void* data, size_t length);
