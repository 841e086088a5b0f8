// The archive file as the ZIP reader reads it. The reader asks for a few
// bytes at a time (a header's fields one by one) and goes back and forth
// between the central directory and the entries' data: read straight from
// the file, that took over a hundred system calls per entry. Here its
// reads are served from two windows of the file, one for each place, and
// the file is read a window at a time.
#pragma once

extern "C" {
#include "ioapi.h"
}

// Fills `io` with the reading functions; the file name given to the
// reader is a UTF-16 path. Files are opened for reading only.
void FillArchiveReader(zlib_filefunc64_def* io);
