// The download task: one file over the Internet client library, with a
// HEAD request for the size so that progress can be shown in percent.
#pragma once

#include <string>

#include "common/progress_sink.h"

// Called once per received block, before it is written, with the sink, the
// save path and the percent. Returning 1 stops the transfer.
using DownloadCallback = int (*)(ProgressSink& progress, const std::wstring& savePath, float percent);

// Shows the address (title: the save path) through the sink first. 1 when
// the transfer ran to its end; 0 when it could not start, failed, or was
// stopped by the callback. Only a whole transfer replaces the save file;
// otherwise nothing of it stays.
int DownloadFile(const std::wstring& savePath, const std::wstring& address, ProgressSink& progress,
                 DownloadCallback callback);

// HttpQueryInfoW into a 1024-character buffer filled with blanks first.
std::wstring QueryHeader(void* request, unsigned long infoLevel);
