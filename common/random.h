// Random numbers for temporary names (not for anything secret).
#pragma once

#include <cstdint>

// A number from 0 to `highest`, both included.
uint32_t RandomUpTo(uint32_t highest);
