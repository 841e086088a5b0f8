// The comparable form of a path, for the guard that keeps destructive work
// (deleting folders and files, the rollback, the removal) away from drive
// roots and the system's own folders. Windows accepts one place under many
// names; this brings the names that differ only in writing to one form.
// Pure logic.
//
//   \\?\C:\Windows\          becomes   c:\windows\ (so do all below)
//   \\.\C:\Windows
//   \\localhost\c$\Windows   (also every loopback address and the computer's own names)
//   C:/Windows/./System32/..
//   C:\Windows. \            (trailing dots and blanks go)
//   \\?\UNC\srv\share\x      becomes   \\srv\share\x\ (a network path)
//   \\127.0.0.2\data\x       becomes   \\localhost\data\x\ (another share of this computer)
//
// Short (8.3) names are not known here; the Windows side resolves them.
// Letter case is folded by a function the caller gives: the Windows side
// passes the system's own case mapping.
#pragma once

#include <string>
#include <vector>

using CaseFold = std::wstring (*)(const std::wstring&);

// The form described above, folded by `fold`, ending with "\". A server
// that is a loopback address, "localhost" or one of `ownNames` (the
// computer's names) is this computer. A path that is not absolute (no
// drive, no server) comes back as it was, trimmed, so that
// IsAbsoluteGuardForm tells it apart.
std::wstring GuardForm(const std::wstring& path, const std::vector<std::wstring>& ownNames, CaseFold fold);
std::wstring GuardForm(const std::wstring& path, const std::vector<std::wstring>& ownNames);  // folded to lower case

// True for a server name that reaches this computer: "localhost" (and names
// below it), every IPv4 loopback address in every notation (127.x.y.z,
// 127.1, 2130706433, 0x7f.0.0.1), the IPv6 loopback in every spelling
// ("::1", "[::1]", "0:0:0:0:0:0:0:1", "0--1.ipv6-literal.net", "::ffff:127.0.0.1"),
// the unspecified addresses, and `ownNames` (compared after `fold`).
bool IsLocalServer(const std::wstring& server, const std::vector<std::wstring>& ownNames, CaseFold fold);

// True for a path written with stream or device syntax: a ":" other than
// the drive's (":$DATA", "::$INDEX_ALLOCATION", "x:stream"), the device
// namespaces ("\\.\", "\??\", any "\\?\" form but a drive or UNC path,
// GLOBALROOT), device names (CON, NUL, COM1, "nul.txt"...) and wildcard
// characters. No task may change such a path.
bool HasStreamOrDeviceSyntax(const std::wstring& path);

// True for "x:\..." and "\\server\share\..." in guard form.
bool IsAbsoluteGuardForm(const std::wstring& form);

// True for a drive root ("c:\") or a share root ("\\server\share\") in
// guard form, and for anything above it ("\\server\").
bool IsRootGuardForm(const std::wstring& form);

// True for a hidden share of this computer ("\\localhost\admin$\..."): the
// administrative shares reach the system's folders.
bool IsLocalHiddenShareForm(const std::wstring& form);

// True when `inner` is `outer` or lies below it (both in guard form).
bool ContainsGuardForm(const std::wstring& outer, const std::wstring& inner);
