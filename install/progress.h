// The installation's progress: the payload extraction and the downloads
// move the progress bar and take one pending window event per report, so
// that Cancel can be pressed; a confirmed Cancel rolls back and ends the run.
#pragma once

#include <string>

// Returns 1 (stop) once the user confirmed Cancel.
int ExtractionProgress(const std::wstring& entryName, float percent);
// True when Cancel was confirmed during the extraction.
bool InstallationCancelled();
// Rolls back and ends the run (after a confirmed Cancel).
[[noreturn]] void EndCancelledInstallation();
int DownloadProgress(const std::wstring& savePath, float percent);

// Deletes the files unpacked so far, then the emptied sub-folders of the
// install folder, deepest first, then the install folder when empty.
int Rollback(const std::wstring& installFolder);
