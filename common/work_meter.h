// A count of the steps of the algorithms whose work must grow in step with
// their input (the uninstall data's writer and reader, the INI reader, the
// folder order): a test installs a meter and bounds the count, so that a
// slip into quadratic work shows as a number, not as a slow machine.
// Without a meter nothing is counted. Pure logic.
#pragma once

#include <cstddef>

extern size_t* g_workMeter;
inline void CountWork(size_t steps = 1) {
  if (g_workMeter) *g_workMeter += steps;
}
