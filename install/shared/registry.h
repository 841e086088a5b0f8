// The registry layer of the task kinds, the associations and the fonts.
// Each operation opens what it needs, does one thing, closes what it opened
// and reports success as an integer; none shows a message.
//
// Key paths are relative to the root with "\" between names; one leading
// "\" is removed (only the first character is tested). A null root (a task
// line's root name other than "HKCU" or "HKLM") makes every operation fail.
// An empty computer name works on the local registry; any other name
// connects to that computer's registry first (RegConnectRegistryW).
#pragma once

#include <cstdint>
#include <string>

#include "common/prelude.h"

// The root of a task line's root name: "HKCU" or "HKLM" (exact), else null.
HKEY RootFromName(const std::wstring& name);

// Writes the value into an existing key (not created): type REG_SZ (1) as
// the text with its terminating null, REG_DWORD (4) as the integer reading
// of the text; any other type writes nothing. 1 when the key opened, else 0.
int RegistrySetValue(HKEY root, const std::wstring& keyPath, const std::wstring& valueName,
                     const std::wstring& data, DWORD type, const std::wstring& computer);
// 1 when the key was created or already existed.
int RegistryCreateKey(HKEY root, const std::wstring& keyPath, const std::wstring& computer);
// 1 when the value was deleted.
int RegistryDeleteValue(HKEY root, const std::wstring& keyPath, const std::wstring& valueName,
                        const std::wstring& computer);
// 1 when the key was deleted; a key with sub-keys is not (RegDeleteKeyW).
int RegistryDeleteKey(HKEY root, const std::wstring& keyPath, const std::wstring& computer);
// The name of the sub-key at that index, or the empty text.
std::wstring RegistrySubkeyName(HKEY root, const std::wstring& keyPath, DWORD index, const std::wstring& computer);
// Deletes the key with its sub-keys as far as possible, always taking the
// sub-key at index 0; a sub-key that comes back twice in a row is left.
// Always 0.
int RegistryDeleteTree(HKEY root, const std::wstring& keyPath, const std::wstring& computer);
// A text value (REG_SZ) of an open key; the empty text when there is none.
std::wstring RegistryText(HKEY key, const wchar_t* name);
// RegistryCreateKey (result ignored), then RegistrySetValue.
int RegistryWriteValue(HKEY root, const std::wstring& keyPath, const std::wstring& valueName,
                       const std::wstring& data, DWORD type, const std::wstring& computer);
