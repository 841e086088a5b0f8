// ZIP extraction: the information archive into the work folder, and the
// payload archive into the install folder.
#pragma once

#include <string>

// Called once per visited entry with the entry's name relative to the
// destination (the empty text for an entry that was not taken) and the
// percent of entries visited, and once more at the end with "" and 100.
// It returns 0 to go on; anything else stops the extraction at once.
using ExtractionCallback = int (*)(const std::wstring& entryName, float percent);

// Stores the procedure in the one process-wide slot (null clears it).
void SetExtractionCallback(ExtractionCallback callback);

// Extracts the entries whose file part matches `pattern` ("" means "*.*")
// into `destination`. keepFolders 1 recreates the entries' folders, 0 writes
// every file straight into the destination. Returns the number of files
// written; 0 when the archive cannot be opened.
int ExtractArchive(const std::wstring& archive, const std::wstring& pattern, const std::wstring& destination,
                   int keepFolders);
