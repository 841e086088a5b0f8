#include "tests/win/zip_fixture.h"

extern "C" {
#include "zip.h"
#include "iowin32.h"
}

bool MakeZip(const std::wstring& path, const std::vector<ZipItem>& items) {
  zlib_filefunc64_def io;
  fill_win32_filefunc64W(&io);
  zipFile z = zipOpen2_64(path.c_str(), APPEND_STATUS_CREATE, nullptr, &io);
  if (!z) return false;
  bool ok = true;
  for (const ZipItem& it : items) {
    zip_fileinfo info = {};
    info.dosDate = it.dosTime;
    info.external_fa = it.attributes;
    int method = it.stored ? 0 : Z_DEFLATED;
    ok = ok && zipOpenNewFileInZip4_64(z, it.name.c_str(), &info, it.extra.data(), static_cast<uInt>(it.extra.size()),
                                       it.extra.data(), static_cast<uInt>(it.extra.size()), nullptr, method,
                                       it.stored ? 0 : 6, 0, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr,
                                       0, 0, it.utf8Flag ? 0x800 : 0, 0) == ZIP_OK;
    if (ok && !it.data.empty())
      ok = zipWriteInFileInZip(z, it.data.data(), static_cast<unsigned>(it.data.size())) == ZIP_OK;
    ok = ok && zipCloseFileInZip(z) == ZIP_OK;
  }
  return zipClose(z, nullptr) == ZIP_OK && ok;
}
