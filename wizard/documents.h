// The licence and read-me documents, read whole into memory.
#pragma once

#include <string>

// Reads the file; when it cannot be opened shows `cannotOpenKey`, when
// memory runs short `noMemoryKey` (title Key0), and ends the run. An empty
// file gives an empty document (an empty page).
void LoadDocument(const std::wstring& path, int noMemoryKey, int cannotOpenKey, std::string* document);
