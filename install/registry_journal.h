// What a running installation changes outside the file system, so that a
// Cancel or a failure can put it back to the state before the run: before
// each registry change the state it changes is exported (a value: whether
// it existed, its type and bytes; a key: whether it existed, and for keys
// that are deleted or overwritten as a whole, the tree with its values and
// sub-keys), and before each server or service change the server's
// registration or the service's configuration and state.
//
// A rollback has two halves around the file journal's: the registry goes
// back last change first, and servers the run registered are unregistered
// while their files are still there; once the files are back, servers that
// were registered before the run are registered again.
#pragma once

#include <string>
#include <vector>

#include "common/prelude.h"
#include "install/shared/services.h"

// A key as it was: its values and (when taken as a tree) its sub-keys.
struct RegistryValueImage {
  std::wstring name;
  DWORD type = 0;
  std::vector<BYTE> data;
};
struct RegistryKeyImage {
  std::wstring name;  // a sub-key's name as the registry spells it
  std::vector<RegistryValueImage> values;
  std::vector<RegistryKeyImage> subkeys;
  bool unread = false;  // a sub-key that could not be opened: never touched
};

class RegistryJournal {
 public:
  // Before a value is written or deleted.
  void BeforeValue(HKEY root, const std::wstring& keyPath, const std::wstring& valueName);
  // Before a key is created (with the keys between).
  void BeforeKey(HKEY root, const std::wstring& keyPath);
  // Before a key is deleted or written as a whole: with `subkeys` the
  // whole tree, else the key's values (its sub-keys are left as they are).
  void BeforeTree(HKEY root, const std::wstring& keyPath, bool subkeys);
  // Before an association is written or removed: the trees of the layout
  // in use.
  void BeforeAssociation(const std::wstring& extension, const std::wstring& programFile);
  // Before a server is registered (`registering`) or unregistered.
  void BeforeServer(const std::wstring& file, bool registering);
  // Before a service is installed, started, stopped or removed.
  void BeforeService(const std::wstring& name);
  // A font the run added to the running system.
  void AddedFont(const std::wstring& fontFile);

  // The registry, the services and the fonts go back, last change first;
  // servers the run registered are unregistered.
  void RollBackBeforeFiles();
  // Servers registered before the run are registered again (the files are
  // back). The journal is empty afterwards.
  void RollBackAfterFiles();
  // The run completed: the images are dropped.
  void Commit();

  size_t size() const { return changes_.size(); }

 private:
  enum class Kind { kValue, kKey, kTree, kServer, kService, kFont };
  struct Change {
    Kind kind = Kind::kValue;
    HKEY root = nullptr;
    std::wstring path;     // key path; the server or font file; the service name
    bool existed = false;  // the value or key; the server registered before
    std::wstring created;  // a key that did not exist: the first key the change makes
    bool subkeys = false;  // kTree: the image holds the whole tree
    bool registering = false;
    RegistryValueImage value;
    RegistryKeyImage key;
    ServiceImage service;
  };
  std::vector<Change> changes_;
};

// True when a class under HKEY_CLASSES_ROOT\CLSID names this file as its
// in-process or local server.
bool ServerRegistered(const std::wstring& file);
