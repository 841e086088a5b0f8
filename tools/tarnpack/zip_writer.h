// Writes a ZIP archive through minizip: files deflated by libdeflate (or
// stored where deflate does not shrink them), stored folder entries, MS-DOS
// times and attributes, each entry's time also in UTC as an extended
// timestamp field (in the local and the central header), and UTF-8 names
// (general-purpose flag bit 11) for names that are not plain ASCII.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class ZipWriter {
 public:
  ZipWriter() = default;
  ~ZipWriter();
  ZipWriter(const ZipWriter&) = delete;
  ZipWriter& operator=(const ZipWriter&) = delete;

  // `level`: libdeflate's, 1 (fastest) to 12 (smallest).
  bool Open(const std::string& path, int level = kDefaultLevel);
  static constexpr int kDefaultLevel = 12;
  // `name` is "/"-separated; a folder name ends with "/". `dosTime` 0 is
  // 1980-01-01 00:00; `unixTime` is the same time in seconds since
  // 1970-01-01 00:00 UTC.
  static constexpr uint32_t kDosEpoch = 315532800;  // 1980-01-01 00:00 UTC
  bool AddFolder(const std::string& name, uint32_t dosTime, uint32_t attributes, uint32_t unixTime = kDosEpoch);
  bool AddFile(const std::string& name, const std::string& sourcePath, uint32_t dosTime, uint32_t attributes,
               uint32_t unixTime = kDosEpoch);
  bool AddBytes(const std::string& name, const std::string& bytes, uint32_t dosTime, uint32_t attributes,
                uint32_t unixTime = kDosEpoch);
  // Writes the central directory. False when the archive is not whole.
  bool Close();

  const std::string& error() const { return error_; }

 private:
  bool Begin(const std::string& name, uint32_t dosTime, uint32_t attributes, int method, bool large);
  // The time of the entry that AddFile, AddBytes or AddFolder adds.
  uint32_t unixTime_ = kDosEpoch;
  // Adds a file whose bytes are all in memory: deflated, or stored when
  // that is not larger.
  bool AddWhole(const std::string& name, const char* data, size_t size, uint32_t dosTime, uint32_t attributes);
  bool AddStreamed(const std::string& name, FILE* in, const std::string& sourcePath, long long size,
                   uint32_t dosTime, uint32_t attributes);
  bool Fail(const std::string& what);

  void* zip_ = nullptr;
  struct libdeflate_compressor* compressor_ = nullptr;
  int level_ = kDefaultLevel;
  std::vector<char> in_, out_;
  std::string error_;
};
