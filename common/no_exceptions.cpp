// The setup stub and the uninstaller are built without exceptions. The C++
// library still names its throw helpers (a string grown past its limit, an
// index out of range) and its assertion handler; defining them here keeps the library's exception and
// unwinding machinery out of the programs. Every one of them ends the
// process, with a message and a failure code: they only happen on a broken
// invariant or exhausted memory.
// Linked into those two programs only, never into tests.
#include <bits/functexcept.h>

#include "common/fatal_end.h"
#include "common/prelude.h"

namespace {
[[noreturn]] void Stop() { EndBrokenInvariant(); }
}  // namespace

namespace std {
void __throw_bad_exception() { Stop(); }
void __throw_bad_alloc() { EndOutOfMemory(); }
void __throw_bad_array_new_length() { Stop(); }
void __throw_bad_cast() { Stop(); }
void __throw_bad_typeid() { Stop(); }
void __throw_logic_error(const char*) { Stop(); }
void __throw_domain_error(const char*) { Stop(); }
void __throw_invalid_argument(const char*) { Stop(); }
void __throw_length_error(const char*) { Stop(); }
void __throw_out_of_range(const char*) { Stop(); }
void __throw_out_of_range_fmt(const char*, ...) { Stop(); }
void __throw_runtime_error(const char*) { Stop(); }
void __throw_range_error(const char*) { Stop(); }
void __throw_overflow_error(const char*) { Stop(); }
void __throw_underflow_error(const char*) { Stop(); }
void __throw_system_error(int) { Stop(); }
void __throw_bad_function_call() { Stop(); }
// A failed library assertion (an index out of range): the library's own
// handler would print and pull in its debugging support.
void __glibcxx_assert_fail(const char*, int, const char*, const char*) noexcept { Stop(); }
}  // namespace std
