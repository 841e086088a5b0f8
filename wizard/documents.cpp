#include "wizard/documents.h"

#include "common/handles.h"
#include "common/heap.h"
#include "common/system_api.h"
#include "wizard/fatal.h"

void LoadDocument(const std::wstring& path, int noMemoryKey, int cannotOpenKey, std::string* document) {
  ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) EndWithKey(cannotOpenKey);
  LARGE_INTEGER size = {};
  FileSizeOf(file.get(), &size.QuadPart);
  if (size.QuadPart == 0) {
    document->clear();
    return;
  }
  // The buffer comes from the private heap so that a document too large for
  // memory is reported instead of ending the process.
  void* buffer = size.QuadPart < 0x7FFFFFFF ? HeapBytes(static_cast<size_t>(size.QuadPart), true) : nullptr;
  if (!buffer) {
    file.Close();
    EndWithKey(noMemoryKey);
  }
  DWORD got = 0;
  ReadFile(file.get(), buffer, static_cast<DWORD>(size.QuadPart), &got, nullptr);
  document->assign(static_cast<const char*>(buffer), got);
  FreeHeapBytes(buffer);
}
