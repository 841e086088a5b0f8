// Reading a program's version information (a VS_VERSIONINFO block, as the
// package builder writes it into every package): the setup stub takes its
// message titles from it, the package builder shows it. Pure logic.
#pragma once

#include <cstddef>
#include <string>

// The text of `name` ("FileDescription", "FileVersion", ...) in the first
// string table of the block; empty when the block has no such text or is
// damaged.
std::wstring VersionString(const unsigned char* block, size_t size, const std::wstring& name);
