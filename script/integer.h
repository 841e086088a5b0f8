// How texts of the setup script and of task lines become numbers. Pure logic.
#pragma once

#include <cstdint>
#include <string>

// Skips leading blanks and tabs, takes one optional sign, then "$" and
// hexadecimal digits, "%" and binary digits, or decimal digits, up to the
// first other character. No digits give 0. The result wraps to 32 bits.
int32_t ReadInteger(const std::wstring& text);
