// The end of a run that cannot go on: memory ran out, or an invariant of
// the program broke (the C++ library's checks). Shows a message (not in a
// quiet run) and ends the process with a failure code, also in an
// interactive run: neither is an end the programs otherwise know.
#pragma once

[[noreturn]] void EndOutOfMemory();
[[noreturn]] void EndBrokenInvariant();

// The one process-wide step that takes back work a run has not completed
// (an installation under way, the work folder): every end of the process
// runs it first, these two and the plain end alike. Set while the work is
// not complete, replaced or cleared (null) when that changes. While one is
// set, a reserve of memory is held and given back right before it runs,
// so that an end for lack of memory can still take the work back.
void SetUnfinishedWork(void (*undo)());
// Runs the step once (it is cleared first); nothing when none is set.
void UndoUnfinishedWork();
