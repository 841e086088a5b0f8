// The .NET Framework requirement of a setup script. Pure logic.
#pragma once

#include <string>

// "1" to "5" give "1.0", "1.1", "2.0", "3.0", "3.5"; anything else requires nothing ("").
std::wstring RequiredFramework(const std::wstring& dotNet);

// A folder under Microsoft.NET\Framework\ counts as that version when its
// name's characters 2 to 4, without surrounding blanks, are the version
// (a folder named v2.0.50727 is version 2.0).
bool FrameworkFolderMatches(const std::wstring& folderName, const std::wstring& version);

// The address to open when the framework is missing: empty for none (an
// empty value, or "http://" alone in any case), with "http://" put in front
// when the value does not begin with it.
std::wstring DependencyAddress(const std::wstring& value);
