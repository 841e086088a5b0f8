// The switches the setup stub understands and the exit codes of its
// unattended runs: one table that "Setup.exe /?" shows and that
// "tarnpack inspect" prints. Pure logic.
#pragma once

#include <cstddef>
#include <string>

struct SwitchRow {
  const wchar_t* item;     // the switch, or the exit code
  const wchar_t* meaning;
};

// The rows of each half of the table.
const SwitchRow* Switches(size_t* count);
const SwitchRow* ExitCodes(size_t* count);

// The table as lines of text, separated by "\r\n".
std::wstring SwitchesText();
