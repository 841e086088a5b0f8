// The system's list of file operations at the next restart
// (PendingFileRenameOperations): what an earlier run left there for a path
// is forgotten once a later run writes or removes that path itself.
#pragma once

#include <string>

// Drops every operation that would delete `path` or put another file in its
// place at the next restart, and deletes the staged file such a replacement
// would have moved there. A file written now must not be deleted or taken
// back by what an earlier installation or removal left for the restart.
// Operations made by this run are kept (the list is read once, first).
void ForgetRestartOperationsOn(const std::wstring& path);
