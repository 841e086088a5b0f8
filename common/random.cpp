#include "common/random.h"

#include "common/prelude.h"

namespace {
uint64_t g_state = 0;

uint64_t Next() {
  if (!g_state) {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    g_state = static_cast<uint64_t>(counter.QuadPart) ^ (uint64_t(GetCurrentProcessId()) << 32) ^ GetTickCount();
    if (!g_state) g_state = 0x9E3779B97F4A7C15ull;
  }
  // xorshift64*
  g_state ^= g_state >> 12;
  g_state ^= g_state << 25;
  g_state ^= g_state >> 27;
  return g_state * 0x2545F4914F6CDD1Dull;
}
}  // namespace

uint32_t RandomUpTo(uint32_t highest) {
  // In 32 bits: a 32-bit program needs no helper for 64-bit division.
  const uint32_t high = static_cast<uint32_t>(Next() >> 32);
  return highest == UINT32_MAX ? high : high % (highest + 1);
}
