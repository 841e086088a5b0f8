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
// Shows the text (title Key0, error icon), rolls back and ends the run.
[[noreturn]] void EndFailedInstallation(const std::wstring& text);
int DownloadProgress(const std::wstring& savePath, float percent);

// Undoes what the installation did to the disk so far (its journal): the
// files it created go, files it replaced or removed come back, the folders
// it created go when empty, last change first. Nothing else is touched.
int Rollback();
