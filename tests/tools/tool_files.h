// Files of the native tool tests: whole files read and written.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

inline std::string ReadAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

// Writes `bytes` to `path`, making its folders first.
inline void Write(const std::string& path, const std::string& bytes) {
  ASSERT_EQ(std::system(("mkdir -p '" + path.substr(0, path.rfind('/')) + "'").c_str()), 0);
  std::ofstream(path, std::ios::binary) << bytes;
}

inline uint32_t U16(const std::string& s, size_t at) {
  return static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8;
}
inline uint32_t U32(const std::string& s, size_t at) { return U16(s, at) | U16(s, at + 2) << 16; }

// The PE checksum as Windows computes it, its own field counted as zero.
inline uint32_t Checksum(const std::string& file) {
  const size_t field = U32(file, 0x3C) + 24 + 64;
  uint64_t sum = 0;
  for (size_t i = 0; i < file.size(); i += 2) {
    const uint32_t lo = i >= field && i < field + 4 ? 0 : static_cast<unsigned char>(file[i]);
    const uint32_t hi = i + 1 >= file.size() || (i + 1 >= field && i + 1 < field + 4)
                            ? 0 : static_cast<unsigned char>(file[i + 1]);
    sum += lo | hi << 8;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  return static_cast<uint32_t>(sum + file.size());
}
inline uint32_t StoredChecksum(const std::string& file) { return U32(file, U32(file, 0x3C) + 24 + 64); }
