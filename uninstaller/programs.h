// The programs the uninstaller starts: the uninstall tasks' programs, the
// web browser, and the command interpreter that deletes its temporary copy.
// None is waited for; failures are ignored.
#pragma once

#include <string>

// Starts an uninstall task's program by its command line, with its
// parameters, in its own folder.
void StartTaskProgram(const std::wstring& program, const std::wstring& parameters);

// Starts Internet Explorer with the address as its parameters. The program
// is taken from its "App Paths" registration, never searched for beside the
// uninstaller (which runs from the temporary folder).
void LaunchBrowser(const std::wstring& address);

// Has the command interpreter named by "comspec" delete the file, hidden:
// "/c del" and the quoted path, and the copy's own folder in the temporary
// folder with it. Called right before the process ends.
void DeleteWhenEnded(const std::wstring& path);
