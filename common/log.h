// The log of a run started with /LOG=FILE: one UTF-8 line per step, each
// with the local time, written at once so that a run that ends abruptly
// still shows how far it came. Without a log every call does nothing.
#pragma once

#include <string>

// Creates the file (an existing one is replaced). False when it cannot be.
bool OpenLog(const std::wstring& path);
bool Logging();
void LogLine(const std::wstring& text);
void CloseLog();
