// Files and folders in the Wine machine, as the tests make, read and remove
// them (the platform's own calls, not the ones under test).
#pragma once

#include <windows.h>

#include <set>
#include <string>
#include <vector>

namespace drive {

// The folder of the test programs and their helpers, ending with "\". A copy
// of a test program running elsewhere learns it from its parent.
std::wstring BinFolder();
// The user's temporary folder in its long form, ending with "\".
std::wstring TempFolder();
// A fresh, empty folder below the user's temporary folder, ending with "\".
std::wstring FreshFolder(const std::wstring& name);
// Deletes a file or a folder with everything below it, read-only or not.
void RemoveTree(const std::wstring& path);

bool Exists(const std::wstring& path);  // a file or a folder
bool FileExists(const std::wstring& path);
bool FolderExists(const std::wstring& path);
// Creates the folders of a path up to its last backslash.
void MakeFolders(const std::wstring& path);
std::string ReadFileBytes(const std::wstring& path);
// Writes a file, creating its folders.
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
// Files and folders below a folder, relative to it; folders end with "\".
// Not `deep`: only the folder's own entries.
std::set<std::string> Tree(const std::wstring& folder, bool deep = true);
// The root ("Q:\\") of a drive letter that the machine does not have.
std::wstring MissingDriveRoot();
// A junction (or a symbolic link) at `link` to the folder or file
// `target`; under Wine, which makes none, a Unix symbolic link, which it
// shows as one. False when neither could be made.
bool MakeLink(const std::wstring& link, std::wstring target, bool junction);

// Texts: UTF-8 from and to the system's UTF-16.
std::string Narrow(const std::wstring& s);
std::wstring Widen(const std::string& s);
// The lines of a text, each ended by "\n"; an unended last line is left out.
std::vector<std::string> Lines(const std::string& text);
// Random bytes that do not compress.
std::string NoiseBytes(size_t size, unsigned seed);

}  // namespace drive
