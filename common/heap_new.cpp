// Routes the C++ allocation operators of the setup stub and the uninstaller
// to the private heap. Linked into those two programs only, never into tests.
// Out of memory ends the process with a message and a failure code: the
// programs are built without exceptions.
#include <new>

#include "common/fatal_end.h"
#include "common/heap.h"

void* operator new(size_t size) {
  void* p = HeapBytes(size);
  if (!p) EndOutOfMemory();
  return p;
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return HeapBytes(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return HeapBytes(size); }
void operator delete(void* p) noexcept { FreeHeapBytes(p); }
void operator delete[](void* p) noexcept { FreeHeapBytes(p); }
void operator delete(void* p, size_t) noexcept { FreeHeapBytes(p); }
void operator delete[](void* p, size_t) noexcept { FreeHeapBytes(p); }
