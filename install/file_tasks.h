// The file and folder operations of the task executor.
#pragma once

#include <string>

// Copies a file, replacing an existing destination. False for empty names.
bool CopyFileOver(const std::wstring& source, const std::wstring& destination);
// Creates one folder level (the parent must exist): the folder of
// FolderTaskPath(path).
bool CreateFolder(const std::wstring& path);
// The folder CreateFolder makes for `path`: the path cut to 260 characters,
// trailing blanks, slashes and backslashes removed.
std::wstring FolderTaskPath(const std::wstring& path);

// The longest path a folder task works on (the classic path limit): a
// folder is created from a path cut to it, but never deleted by one.
constexpr size_t kMaxFolderTaskPath = 260;

constexpr int kDeleteRecursive = 1;
constexpr int kDeleteForce = 2;  // clears read-only attributes first
// Deletes the files matching `pattern` ("" means "*.*"), with flag 1 the
// sub-folders too, then removes the folder. True when the folder went. A
// path longer than kMaxFolderTaskPath is left alone: a shortened one could
// name another folder. With a journal, every file goes into its keeping and
// every folder removed is noted, so that a rollback brings them back.
class FileJournal;
bool DeleteFolder(const std::wstring& folder, const std::wstring& pattern, int flags, FileJournal* journal = nullptr);

// The folder part of a program path: everything up to and including its
// last "\" or "/", a leading double quote skipped.
std::wstring ProgramFolderOf(const std::wstring& path);
