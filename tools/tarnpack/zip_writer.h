// Writes a ZIP archive through minizip: deflated files, stored folder
// entries, MS-DOS times and attributes, and UTF-8 names (general-purpose
// flag bit 11) for names that are not plain ASCII.
#pragma once

#include <cstdint>
#include <string>

class ZipWriter {
 public:
  ZipWriter() = default;
  ~ZipWriter();
  ZipWriter(const ZipWriter&) = delete;
  ZipWriter& operator=(const ZipWriter&) = delete;

  bool Open(const std::string& path);
  // `name` is "/"-separated; a folder name ends with "/".
  bool AddFolder(const std::string& name, uint32_t dosTime, uint32_t attributes);
  bool AddFile(const std::string& name, const std::string& sourcePath, uint32_t dosTime, uint32_t attributes);
  bool AddBytes(const std::string& name, const std::string& bytes, uint32_t dosTime, uint32_t attributes);
  // Writes the central directory. False when the archive is not whole.
  bool Close();

  const std::string& error() const { return error_; }

 private:
  bool Begin(const std::string& name, uint32_t dosTime, uint32_t attributes, bool folder, bool large);
  bool Fail(const std::string& what);

  void* zip_ = nullptr;
  std::string error_;
};
