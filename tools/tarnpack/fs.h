// The few file-system operations of the package builder, for Linux and for
// Windows. Paths are UTF-8 texts on both.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace fs {

struct TreeEntry {
  std::string relative;  // "/"-separated, relative to the listed root; folders end with "/"
  bool folder = false;
  uint64_t size = 0;
  uint32_t dosTime = 0;     // MS-DOS date (high word) and time (low word), local time
  int64_t modified = 0;     // the last-write time, seconds since 1970-01-01 00:00 UTC
  uint32_t attributes = 0;  // MS-DOS attributes: 0x01 read-only, 0x02 hidden, 0x04 system, 0x10 folder, 0x20 archive
};

// Every file and folder below `root`, sorted by relative name (folders
// before their contents). False with an error text when `root` cannot be read.
bool ListTree(const std::string& root, std::vector<TreeEntry>* entries, std::string* error);

bool IsFile(const std::string& path);
bool IsFolder(const std::string& path);
FILE* OpenForReading(const std::string& path);
FILE* OpenForWriting(const std::string& path);
// Makes a folder, its parent existing; MakeFolders also the missing ones above it.
bool MakeFolder(const std::string& path);
bool MakeFolders(const std::string& path);
bool RenameOver(const std::string& from, const std::string& to);
void Remove(const std::string& path);
// The folder of the running program, with a trailing separator.
std::string ProgramFolder();
std::string Join(const std::string& folder, const std::string& name);

// Runs a program found on the PATH with these arguments (the program's name
// first) and waits for it: `output` gets what it wrote to its standard
// output and error, `exitCode` its exit code (-1 when it did not end by
// itself). False with `error` when it cannot be started, and always in the
// Windows build, which runs no programs (RunsPrograms()).
bool RunProgram(const std::vector<std::string>& arguments, int* exitCode, std::string* output, std::string* error);
bool RunsPrograms();

// DOS date and time of a broken-down local time; years before 1980 give 1980-01-01.
uint32_t DosTime(int year, int month, int day, int hour, int minute, int second);
// DOS date and time of a time in seconds since 1970-01-01 00:00 UTC, in UTC
// (whatever the zone of the machine).
uint32_t DosTimeUtc(int64_t seconds);

}  // namespace fs
