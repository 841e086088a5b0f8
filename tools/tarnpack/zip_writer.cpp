#include "tools/tarnpack/zip_writer.h"

#include <cstdio>
#include <vector>

#include "tools/tarnpack/fs.h"

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
constexpr int kLevel = 6;

bool IsAscii(const std::string& s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}
}  // namespace

ZipWriter::~ZipWriter() {
  if (zip_) zipClose(static_cast<zipFile>(zip_), nullptr);
}

bool ZipWriter::Fail(const std::string& what) {
  if (error_.empty()) error_ = what;
  return false;
}

bool ZipWriter::Open(const std::string& path) {
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

bool ZipWriter::Begin(const std::string& name, uint32_t dosTime, uint32_t attributes, bool folder, bool large) {
  zip_fileinfo info = {};
  info.dosDate = dosTime ? dosTime : 0x00210000;  // 1980-01-01 00:00
  info.external_fa = attributes;
  unsigned long flags = IsAscii(name) ? 0 : kUtf8NameFlag;
  int method = folder ? 0 : Z_DEFLATED;
  int level = folder ? 0 : kLevel;
  int r = zipOpenNewFileInZip4_64(static_cast<zipFile>(zip_), name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                  method, level, 0, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0,
                                  kMadeByMsDos, flags, large ? 1 : 0);
  return r == ZIP_OK ? true : Fail("cannot add " + name + " to the archive");
}

bool ZipWriter::AddFolder(const std::string& name, uint32_t dosTime, uint32_t attributes) {
  if (!Begin(name, dosTime, attributes, true, false)) return false;
  return zipCloseFileInZip(static_cast<zipFile>(zip_)) == ZIP_OK ? true : Fail("cannot add " + name);
}

bool ZipWriter::AddFile(const std::string& name, const std::string& sourcePath, uint32_t dosTime,
                        uint32_t attributes) {
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
  bool ok = Begin(name, dosTime, attributes, false, size >= 0xFFFFFFFFLL);
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
  std::fclose(in);
  if (ok && zipCloseFileInZip(static_cast<zipFile>(zip_)) != ZIP_OK) ok = Fail("cannot write the archive");
  return ok;
}

bool ZipWriter::AddBytes(const std::string& name, const std::string& bytes, uint32_t dosTime, uint32_t attributes) {
  if (!Begin(name, dosTime, attributes, false, false)) return false;
  if (!bytes.empty() &&
      zipWriteInFileInZip(static_cast<zipFile>(zip_), bytes.data(), static_cast<unsigned>(bytes.size())) != ZIP_OK)
    return Fail("cannot write the archive");
  return zipCloseFileInZip(static_cast<zipFile>(zip_)) == ZIP_OK ? true : Fail("cannot write the archive");
}

bool ZipWriter::Close() {
  if (!zip_) return false;
  int r = zipClose(static_cast<zipFile>(zip_), nullptr);
  zip_ = nullptr;
  return r == ZIP_OK && error_.empty();
}
