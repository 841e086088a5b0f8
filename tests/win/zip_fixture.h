// Writes ZIP archives with exactly the entries a test needs, raw names and
// flags included, through minizip.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ZipItem {
  std::string name;          // raw name bytes as stored
  std::string data;
  uint32_t dosTime = 0x52C7749A;  // 2021-06-07 14:36:52
  uint32_t attributes = 0x20;
  bool utf8Flag = false;     // general-purpose flag bit 11
  bool stored = false;       // no compression (the data stay readable in the file)
  std::string extra;         // the extra block, in the local and the central header
};

bool MakeZip(const std::wstring& path, const std::vector<ZipItem>& items);
