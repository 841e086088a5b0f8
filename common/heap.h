// The private heap from which the setup stub and the uninstaller allocate.
#pragma once

#include "common/prelude.h"

// Creates the heap (initial size 4096 bytes, growable) on first use.
HANDLE PrivateHeap();
void* HeapBytes(size_t size, bool zeroed = false);  // null when out of memory
void FreeHeapBytes(void* p);
// Destroys the heap; later frees are ignored. Called right before the process ends.
void DestroyPrivateHeap();
