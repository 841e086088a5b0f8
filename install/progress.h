// The installation's progress: the payload extraction and the downloads
// move the progress bar and take one pending window event per report, so
// that Cancel can be pressed; a confirmed Cancel rolls back and ends the run.
#pragma once

#include <string>

// Returns 1 (stop) once the user confirmed Cancel.
int ExtractionProgress(const std::wstring& entryName, float percent);
// True once Cancel was confirmed during the extraction or a download.
bool InstallationCancelled();
// The same for a download; the download stops and deletes what it fetched.
int DownloadProgress(const std::wstring& savePath, float percent);

// How an installation ended, and the one place where a run that is not
// going on ends: a cancelled or failed installation is rolled back there
// (a failure, a payload that could not be unpacked whole, is reported
// first: title Key0, error icon), the work folder is deleted and the
// process ends. kInstalled returns.
enum class InstallResult { kInstalled, kCancelled, kFailed };
void EndInstallation(InstallResult result);

// Undoes what the installation did so far: the registry values and keys,
// associations, services and servers its tasks recorded (as the removal
// undoes them), then the files and folders of its journal: the files it
// created go, files and folders it replaced or removed come back, the
// folders it created go when empty, last change first, and the folders it
// changed get their times back. Nothing else is touched.
int Rollback();

// Rollback, then the work folder goes: the unfinished work of a run while
// its installation is under way (see SetUnfinishedWork), so that every end
// of the process takes the installation back.
void RollBackUnfinished();
