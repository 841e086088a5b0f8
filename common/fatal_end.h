// The end of a run that cannot go on: memory ran out, or an invariant of
// the program broke (the C++ library's checks). Shows a message (not in a
// quiet run) and ends the process with a failure code, also in an
// interactive run: neither is an end the programs otherwise know.
#pragma once

[[noreturn]] void EndOutOfMemory();
[[noreturn]] void EndBrokenInvariant();
