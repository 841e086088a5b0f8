// Wildcard matching of archive entry names. Pure logic.
#pragma once

#include <string>

// Matches a file part against a pattern, both compared in lower case:
// "*" matches any run of characters (also none), "?" exactly one, anything
// else itself. The pattern may hold alternatives separated by "|". A name
// without "." is matched as if it ended with ".", so that "*.*" matches
// names without an extension and the empty file part of a folder entry.
bool WildcardMatch(const std::wstring& name, const std::wstring& pattern);
