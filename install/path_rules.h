// The comparable form of a path, for the guard that keeps destructive work
// (deleting folders and files, the rollback, the removal) away from drive
// roots and the system's own folders. Windows accepts one place under many
// names; this brings the names that differ only in writing to one form.
// Pure logic.
//
//   \\?\C:\Windows\          becomes   c:\windows\ (so do all below)
//   \\.\C:\Windows
//   \\localhost\c$\Windows   (also 127.0.0.1, ::1 and the computer's own name)
//   C:/Windows/./System32/..
//   C:\Windows. \            (trailing dots and blanks go)
//   \\?\UNC\srv\share\x      becomes   \\srv\share\x\ (a network path)
//
// Short (8.3) names are not known here; the Windows side resolves them.
#pragma once

#include <string>

// The form described above, lower case, ending with "\". A path that is not
// absolute (no drive, no server) comes back as it was, trimmed, so that
// IsAbsoluteGuardForm tells it apart.
std::wstring GuardForm(const std::wstring& path, const std::wstring& computerName);

// True for "x:\..." and "\\server\share\..." in guard form.
bool IsAbsoluteGuardForm(const std::wstring& form);

// True for a drive root ("c:\") or a share root ("\\server\share\") in
// guard form, and for anything above it ("\\server\").
bool IsRootGuardForm(const std::wstring& form);

// True when `inner` is `outer` or lies below it (both in guard form).
bool ContainsGuardForm(const std::wstring& outer, const std::wstring& inner);
