// The install record: what an installation did that its removal undoes, one
// entry per action, in the order the actions happened. The setup stub
// writes it into the uninstall data's [InstTasks] section and the
// uninstaller reads it back, both through this file. Pure logic.
//
// Each entry is stored as a task line: a keyword, then fields separated by
// the pilcrow.
//
//   keyword              stored fields                         undone by
//   REGADDVALUE          the task line as carried out: root,   deleting the value
//                        value name, data, key path, type
//   REGADDKEY            the task line as carried out: root,   deleting the key
//                        -, -, key path                        (never its sub-keys)
//   NORMALLINK           link file (internet links too)        deleting the file
//   COPYFILE             destination                           deleting the file
//   CREATEFOLDER         folder, ending with "\"               removing it when empty
//   ASSOCIATEEXTENSION   program file, extension               removing the association
//   INSTALLSERVICE       service name                          stopping and removing it
//   REGISTERSERVER       server file                           unregistering it
//
// Paths are stored exactly as they were used and read back whole: a path
// is the last field (or, for an association, everything before the
// extension), so a pilcrow inside it does not split it. "INTERNETLINK" is
// read like "NORMALLINK".
//
// Example: the folder C:\Program Files\Demo\Data\ created by the task
// "Folder" is stored as "Folder = CREATEFOLDER¶C:\Program Files\Demo\Data\".
#pragma once

#include <string>
#include <vector>

enum class RecordKind {
  kUnknown,
  kRegistryValue,
  kRegistryKey,
  kLink,
  kCopy,
  kFolder,
  kAssociation,
  kService,
  kServer,
};

struct Record {
  RecordKind kind = RecordKind::kUnknown;
  std::wstring taskLine;   // the registry kinds: the task line as carried out
  std::wstring root;       // the registry kinds: "HKCU" or "HKLM" as written
  std::wstring valueName;  // REGADDVALUE
  std::wstring keyPath;    // the registry kinds
  std::wstring path;       // link, copy, folder, server
  std::wstring programFile, extension;  // association
  std::wstring service;    // service
};

// One entry of the install record: the name of the task (or of the
// installation's own step) that did it, and what it did.
struct RecordEntry {
  std::wstring name;
  Record record;
};

// Records as the installation makes them.
Record RegistryRecord(const std::wstring& taskLine);  // a REGADDVALUE or REGADDKEY line
Record PathRecord(RecordKind kind, const std::wstring& path);  // link, copy, folder, server
Record AssociationRecord(const std::wstring& programFile, const std::wstring& extension);
Record ServiceRecord(const std::wstring& service);

// The stored task line of a record, and a stored line read back. A line
// whose keyword is none of the table's gives kUnknown (it is not undone).
std::wstring FormatRecord(const Record& record);
Record ParseRecord(const std::wstring& line);
