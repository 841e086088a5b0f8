// The setup stub's command line. Pure logic.
#pragma once

#include <string>
#include <vector>

// Splits a command line (program name first) into arguments: arguments are
// separated by blanks; an argument that begins with a double quote runs to
// the next double quote and is taken without the quotes.
std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine);

// Argument n after the program's own name (1 = first), or the empty text.
std::wstring CommandArgument(const std::wstring& commandLine, size_t n);

// What the command line asks for.
// kFolderNotFull: an unattended installation whose /D= folder is not a full
// path; it is refused, never taken relative to the current folder.
// kSwitches: "/?" shows the list of switches and exit codes.
enum class RunMode { kInstall, kUnpackOnly, kUsage, kFolderNotFull, kSwitches };

struct Invocation {
  RunMode mode = RunMode::kInstall;
  bool silent = false;  // "/S": no window of any kind
  std::wstring folder;  // "-u FOLDER": where ProgramData.zip goes; "/D=FOLDER": the install folder
  std::wstring log;     // "/LOG=FILE"
  bool closeApplications = false;  // "/CLOSEAPPLICATIONS": programs holding files are closed
  bool passive = false;  // "/PASSIVE" after /S: the progress window shows, nothing else
};

// The forms of the command line (arguments after the program's name):
//   (none), or one argument          install, with a window
//   /LOG=FILE                        install, with a window and a log
//   /? [/LOG=FILE]                   the list of switches (in either order)
//   -u FOLDER                        write the payload as FOLDER\ProgramData.zip
//   /S [/PASSIVE] [/D=FOLDER] [/LOG=FILE] [/CLOSEAPPLICATIONS]
//                                    install without any window (/PASSIVE:
//                                    but the progress window); /D= comes
//                                    right after /S or /S /PASSIVE, the
//                                    others anywhere after /S; a FOLDER that
//                                    is not a full path: refused
//   any other two or more arguments  the usage message (silent: refused)
// Switch values may be quoted ("/LOG=C:\a b.log" or /LOG="C:\a b.log");
// the /D= folder runs to the end of the line or to a /LOG=,
// /CLOSEAPPLICATIONS or /PASSIVE after it, blanks
// included (/D=C:\Program Files\Demo).
Invocation ReadInvocation(const std::wstring& commandLine);

// True for a full path: a drive path ("C:\Folder", "C:\") or a network
// path ("\\server\share\Folder"); "/" separates as "\" does. Not for
// "Folder", ".\Folder", "\Folder" (the current drive), "C:Folder" (the
// drive's current folder), nor the device forms "\\.\" and "\\?\".
bool IsFullFolderPath(const std::wstring& path);
