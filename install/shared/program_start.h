// Starting programs, documents and web addresses: the one place that does,
// for the setup stub and the uninstaller.
#pragma once

#include <string>

#include "common/prelude.h"

// How the program is found and started.
enum class StartWay {
  // By its command line: the path (quoted unless it begins with a quote),
  // then a blank and the parameters, if any. The system searches for the
  // program as for a command and runs it at normal priority. What is no
  // program (a document) the shell opens instead (verb "Open", in `folder`,
  // else in the program's folder).
  kCommand,
  // That very file, nothing searched for: the quoted path, a blank and the
  // parameters.
  kFile,
  // The shell's execute operation (a program, a document or a web address);
  // the log says whether it started.
  kShell,
};

// The window of a process of its own as the program chooses it (no
// STARTF_USESHOWWINDOW).
constexpr int kProgramChooses = -1;

struct ProgramStart {
  std::wstring program;
  std::wstring parameters;
  std::wstring folder;  // the working folder; empty: this process's
  StartWay way = StartWay::kCommand;
  const wchar_t* verb = nullptr;  // kShell's verb; none: the shell's default
  // SW_HIDE: a process of its own gets no console window either.
  int show = SW_SHOWNORMAL;
  bool wait = false;  // until it has ended; the windows keep answering meanwhile
  // Where this process runs elevated and does not wait: first as the
  // signed-in user, unelevated, through the desktop shell's own process.
  bool asUser = false;
  // kFile: the program's standard output; this process's handles are
  // inherited then.
  HANDLE output = nullptr;
};

enum class Started {
  kNot,         // nothing was started
  kByDesktop,   // by the desktop shell, as the signed-in user: no process to follow
  kHandedOver,  // the shell handed it to a program already running: no process either
  kProcess,     // a process of its own (waited for, where asked)
};

// Starts it. Nothing started shows a window of the system's in an unattended
// run: no error box of the shell, and never the desktop shell's way (whose
// error box, shown from the shell's process, no flag of ours reaches).
// `process`, when given, receives the process of its own that was not
// waited for (the caller closes it), else null.
Started StartProgram(const ProgramStart& start, HANDLE* process = nullptr);
