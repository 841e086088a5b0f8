#include "common/heap.h"

namespace {
HANDLE g_heap = nullptr;
bool g_destroyed = false;
}  // namespace

HANDLE PrivateHeap() {
  if (!g_heap && !g_destroyed) g_heap = HeapCreate(0, 4096, 0);
  return g_heap ? g_heap : GetProcessHeap();
}

void* HeapBytes(size_t size, bool zeroed) {
  if (g_destroyed) return nullptr;
  return HeapAlloc(PrivateHeap(), zeroed ? HEAP_ZERO_MEMORY : 0, size ? size : 1);
}

void FreeHeapBytes(void* p) {
  if (p && !g_destroyed) HeapFree(PrivateHeap(), 0, p);
}

void DestroyPrivateHeap() {
  if (g_heap) HeapDestroy(g_heap);
  g_heap = nullptr;
  g_destroyed = true;
}
