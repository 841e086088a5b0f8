// File associations: the registry layout that makes an installed program
// open files of one extension, and its removal. The layout depends on bits
// 16 to 23 of GetVersion: any set, layout A (classes root and the user's
// Explorer choice); none set, layout B (the machine's Software\Classes).
#pragma once

#include <string>
#include <vector>

#include "common/prelude.h"

// Derives the program file (the file part of the path, without a closing
// quote) and writes the association with the verb "open". Returns 1.
int AssociateExtension(const std::wstring& extension, const std::wstring& programName,
                       const std::wstring& programPath, const std::wstring& icon);
// Writes the rows of the applicable layout, ignoring each result.
void WriteAssociation(const std::wstring& extension, const std::wstring& programName,
                      const std::wstring& programPath, const std::wstring& icon, const std::wstring& programFile,
                      const std::wstring& verb);
// Removes the keys of the applicable layout. Returns 0.
int RemoveAssociation(const std::wstring& extension, const std::wstring& programFile);

// The keys whose trees hold the association in the layout in use (written
// and removed), in the order they are removed.
struct AssociationKey {
  HKEY root;
  std::wstring path;
};
std::vector<AssociationKey> AssociationKeys(const std::wstring& extension, const std::wstring& programFile);

// The file part of a program path: after the last "\" or "/", cut at a
// double quote.
std::wstring ProgramFileOf(const std::wstring& programPath);
