// The digests of the uninstall data files the installations wrote, kept
// under HKEY_LOCAL_MACHINE (which only administrators may change), one
// value per data file, named by where the file really is (links and short
// names resolved). The uninstall entry holds the digest too; the book also
// covers data files without an entry: a product that registers none, and
// an earlier uninstaller whose entry a later installation took over.
#pragma once

#include <string>

struct PathGuard;

// The book's name of a data file: its final path as the system gives it,
// where the file exists and the system tells; else its own path. Both in
// the guard's form.
std::wstring DigestBookName(PathGuard& guard, const std::wstring& dataPath);

// Writes the digest under that name (through the installation's registry
// journal: a run that does not complete takes it back).
void WriteDigestBookEntry(const std::wstring& name, const std::wstring& digest);
// The digest written under that name; empty when there is none.
std::wstring ReadDigestBookEntry(const std::wstring& name);
void EraseDigestBookEntry(const std::wstring& name);
