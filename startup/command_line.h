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
