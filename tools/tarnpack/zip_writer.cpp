#include "tools/tarnpack/zip_writer.h"

#include <cstdio>
#include <vector>

#include "package/zip_names.h"
#include "tools/tarnpack/fs.h"

#include "libdeflate.h"

extern "C" {
#include "zip.h"
#ifdef _WIN32
#include "iowin32.h"
#endif
}

#ifdef _WIN32
#include "common/text.h"
#endif

namespace {
constexpr unsigned long kUtf8NameFlag = 1u << 11;
constexpr unsigned long kMadeByMsDos = 0;  // "version made by": host MS-DOS, external attributes are DOS ones
// Files up to this size are deflated whole by libdeflate; larger ones are
// streamed through zlib (at the same level, at most 9) in a buffer of
// bounded size.
constexpr long long kWholeLimit = 256LL << 20;

bool IsAscii(const std::string& s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}
}  // namespace

ZipWriter::~ZipWriter() {
  if (zip_) zipClose(static_cast<zipFile>(zip_), nullptr);
  if (compressor_) libdeflate_free_compressor(compressor_);
}

bool ZipWriter::Fail(const std::string& what) {
  if (error_.empty()) error_ = what;
  return false;
}

bool ZipWriter::Open(const std::string& path, int level) {
  level_ = level;
  compressor_ = libdeflate_alloc_compressor(level);
  if (!compressor_) return Fail("cannot start the compressor");
#ifdef _WIN32
  zlib_filefunc64_def io;
  fill_win32_filefunc64W(&io);
  std::wstring wide = text::FromUtf8(path);
  zip_ = zipOpen2_64(wide.c_str(), APPEND_STATUS_CREATE, nullptr, &io);
#else
  zip_ = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
#endif
  return zip_ ? true : Fail("cannot create " + path);
}

// `method` 0 (stored) or Z_DEFLATED: the bytes written are taken as they
// are, and zipCloseFileInZipRaw64 gives the size and CRC-32. -1: deflated
// by zlib as they are written.
bool ZipWriter::Begin(const std::string& name, uint32_t dosTime, uint32_t attributes, int method, bool large) {
  zip_fileinfo info = {};
  info.dosDate = dosTime ? dosTime : 0x00210000;  // 1980-01-01 00:00
  info.external_fa = attributes;
  unsigned char timeField[kUnixTimeFieldSize];
  WriteUnixTimeField(unixTime_, timeField);
  unsigned long flags = IsAscii(name) ? 0 : kUtf8NameFlag;
  const bool raw = method != -1;
  // zlib's level, which also sets the general-purpose flag bits of a deflated entry.
  const int level = method == 0 ? 0 : (level_ < 9 ? level_ : 9);
  int r = zipOpenNewFileInZip4_64(static_cast<zipFile>(zip_), name.c_str(), &info, timeField, sizeof timeField,
                                  timeField, sizeof timeField, nullptr,
                                  raw ? method : Z_DEFLATED, level, raw ? 1 : 0, -MAX_WBITS, DEF_MEM_LEVEL,
                                  Z_DEFAULT_STRATEGY, nullptr, 0, kMadeByMsDos, flags, large ? 1 : 0);
  return r == ZIP_OK ? true : Fail("cannot add " + name + " to the archive");
}

bool ZipWriter::AddFolder(const std::string& name, uint32_t dosTime, uint32_t attributes, uint32_t unixTime) {
  unixTime_ = unixTime;
  if (!Begin(name, dosTime, attributes, 0, false)) return false;
  return zipCloseFileInZipRaw64(static_cast<zipFile>(zip_), 0, 0) == ZIP_OK ? true : Fail("cannot add " + name);
}

bool ZipWriter::AddFile(const std::string& name, const std::string& sourcePath, uint32_t dosTime,
                        uint32_t attributes, uint32_t unixTime) {
  unixTime_ = unixTime;
  FILE* in = fs::OpenForReading(sourcePath);
  if (!in) return Fail("cannot read " + sourcePath);
  std::fseek(in, 0, SEEK_END);
  long long size = -1;
#ifdef _WIN32
  size = _ftelli64(in);
#else
  size = ftello(in);
#endif
  std::fseek(in, 0, SEEK_SET);
  bool ok;
  if (size < 0 || size > kWholeLimit) {
    ok = AddStreamed(name, in, sourcePath, size, dosTime, attributes);
  } else {
    in_.resize(static_cast<size_t>(size));
    ok = (size == 0 || std::fread(in_.data(), 1, in_.size(), in) == in_.size()) && !std::ferror(in);
    if (!ok) Fail("cannot read " + sourcePath);
    ok = ok && AddWhole(name, in_.data(), in_.size(), dosTime, attributes);
  }
  std::fclose(in);
  return ok;
}

bool ZipWriter::AddWhole(const std::string& name, const char* data, size_t size, uint32_t dosTime,
                         uint32_t attributes) {
  out_.resize(libdeflate_deflate_compress_bound(compressor_, size));
  size_t packed = size ? libdeflate_deflate_compress(compressor_, data, size, out_.data(), out_.size()) : 0;
  const bool stored = packed == 0 || packed >= size;
  if (!Begin(name, dosTime, attributes, stored ? 0 : Z_DEFLATED, false)) return false;
  const char* bytes = stored ? data : out_.data();
  size_t left = stored ? size : packed;
  while (left > 0) {
    unsigned piece = static_cast<unsigned>(left < (1u << 30) ? left : (1u << 30));
    if (zipWriteInFileInZip(static_cast<zipFile>(zip_), bytes, piece) != ZIP_OK) return Fail("cannot write the archive");
    bytes += piece;
    left -= piece;
  }
  const uint32_t crc = libdeflate_crc32(0, data, size);
  return zipCloseFileInZipRaw64(static_cast<zipFile>(zip_), size, crc) == ZIP_OK ? true
                                                                                 : Fail("cannot write the archive");
}

bool ZipWriter::AddStreamed(const std::string& name, FILE* in, const std::string& sourcePath, long long size,
                            uint32_t dosTime, uint32_t attributes) {
  bool ok = Begin(name, dosTime, attributes, -1, size >= 0xFFFFFFFFLL);
  std::vector<char> buffer(1 << 20);
  while (ok) {
    size_t got = std::fread(buffer.data(), 1, buffer.size(), in);
    if (got == 0) {
      if (std::ferror(in)) ok = Fail("cannot read " + sourcePath);
      break;
    }
    if (zipWriteInFileInZip(static_cast<zipFile>(zip_), buffer.data(), static_cast<unsigned>(got)) != ZIP_OK)
      ok = Fail("cannot write the archive");
  }
  if (ok && zipCloseFileInZip(static_cast<zipFile>(zip_)) != ZIP_OK) ok = Fail("cannot write the archive");
  return ok;
}

bool ZipWriter::AddBytes(const std::string& name, const std::string& bytes, uint32_t dosTime, uint32_t attributes,
                         uint32_t unixTime) {
  unixTime_ = unixTime;
  return AddWhole(name, bytes.data(), bytes.size(), dosTime, attributes);
}

bool ZipWriter::Close() {
  if (!zip_) return false;
  int r = zipClose(static_cast<zipFile>(zip_), nullptr);
  zip_ = nullptr;
  return r == ZIP_OK && error_.empty();
}
