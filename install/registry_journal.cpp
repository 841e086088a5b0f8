#include "install/registry_journal.h"

#include "common/files.h"
#include "common/handles.h"
#include "common/text.h"
#include "install/shared/associations.h"
#include "install/shared/registry.h"
#include "install/shared/system_tasks.h"

namespace {

// The registry compares names without regard to case, by the system's own
// case mapping.
std::wstring Upper(std::wstring s) {
  if (!s.empty()) CharUpperBuffW(&s[0], static_cast<DWORD>(s.size()));
  return s;
}
bool SameName(const std::wstring& a, const std::wstring& b) { return a.size() == b.size() && Upper(a) == Upper(b); }

// The key path as the registry layer opens it: one leading "\" goes.
std::wstring KeyPathOf(const std::wstring& keyPath) {
  return !keyPath.empty() && keyPath[0] == L'\\' ? keyPath.substr(1) : keyPath;
}

LONG OpenKey(HKEY root, const std::wstring& path, REGSAM access, ScopedKey& key) {
  return RegOpenKeyExW(root, path.c_str(), 0, access, key.out());
}
bool Open(HKEY root, const std::wstring& path, REGSAM access, ScopedKey& key) {
  return OpenKey(root, path, access, key) == ERROR_SUCCESS;
}

// A key that cannot be opened for another reason (its access rights) is
// there, and never taken for one the run made.
bool KeyThere(HKEY root, const std::wstring& path) {
  ScopedKey key;
  return OpenKey(root, path, KEY_READ, key) != ERROR_FILE_NOT_FOUND;
}

// The first key of the path that does not exist (the one a creation makes
// first), or the empty text when the whole path exists.
std::wstring FirstMissing(HKEY root, const std::wstring& path) {
  if (KeyThere(root, path)) return std::wstring();
  for (size_t end = path.find(L'\\'); end != std::wstring::npos; end = path.find(L'\\', end + 1)) {
    if (!KeyThere(root, path.substr(0, end))) return path.substr(0, end);
  }
  return path;
}

// Names as the registry spells them: a task may write a key or a value in
// another letter case, and what comes back must be spelt as it was.
std::wstring StoredValueName(HKEY key, const std::wstring& name) {
  wchar_t found[16384];
  for (DWORD i = 0;; ++i) {
    DWORD length = 16384;
    if (RegEnumValueW(key, i, found, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) return name;
    if (text::EqualsNoCase(std::wstring(found, length), name)) return std::wstring(found, length);
  }
}

std::wstring StoredKeyPath(HKEY root, const std::wstring& path) {
  std::wstring stored;
  for (const std::wstring& part : text::Split(path, L'\\')) {
    ScopedKey parent;
    std::wstring name = part;
    if (OpenKey(root, stored, KEY_ENUMERATE_SUB_KEYS, parent) == ERROR_SUCCESS) {
      wchar_t found[256];
      for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(parent.get(), i, found, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        if (text::EqualsNoCase(std::wstring(found, length), part)) {
          name.assign(found, length);
          break;
        }
      }
    }
    stored += (stored.empty() ? L"" : L"\\") + name;
  }
  return stored;
}

bool ReadValue(HKEY key, const std::wstring& name, RegistryValueImage* value) {
  DWORD size = 0;
  if (RegQueryValueExW(key, name.c_str(), nullptr, &value->type, nullptr, &size) != ERROR_SUCCESS) return false;
  value->name = name;
  value->data.assign(size, 0);
  return RegQueryValueExW(key, name.c_str(), nullptr, &value->type, size ? value->data.data() : nullptr, &size) ==
         ERROR_SUCCESS;
}

// The names of a key's values or sub-keys.
std::vector<std::wstring> Names(HKEY key, bool subkeys) {
  std::vector<std::wstring> names;
  DWORD keyLength = 0, valueLength = 0;
  if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, &keyLength, nullptr, nullptr, &valueLength, nullptr,
                       nullptr, nullptr) != ERROR_SUCCESS)
    return names;
  std::vector<wchar_t> name((subkeys ? keyLength : valueLength) + 2);
  for (DWORD i = 0;; ++i) {
    DWORD length = static_cast<DWORD>(name.size());
    const LONG r = subkeys ? RegEnumKeyExW(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr)
                           : RegEnumValueW(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (r != ERROR_SUCCESS) break;
    names.emplace_back(name.data(), length);
  }
  return names;
}

// How deep an image goes: below, a key's sub-keys are neither read nor
// touched (a link key could lead back to an ancestor).
constexpr int kDeepest = 32;

void ReadKey(HKEY key, RegistryKeyImage* image, bool subkeys, int depth = 0) {
  for (const std::wstring& name : Names(key, false)) {
    RegistryValueImage value;
    if (ReadValue(key, name, &value)) image->values.push_back(value);
  }
  if (!subkeys || depth >= kDeepest) return;
  for (const std::wstring& name : Names(key, true)) {
    ScopedKey child;
    image->subkeys.push_back(RegistryKeyImage());
    image->subkeys.back().name = name;
    if (Open(key, name, KEY_READ, child)) ReadKey(child.get(), &image->subkeys.back(), true, depth + 1);
    else image->subkeys.back().unread = true;  // left as it is
  }
}

bool WriteValue(HKEY key, const RegistryValueImage& value) {
  return RegSetValueExW(key, value.name.c_str(), 0, value.type, value.data.empty() ? nullptr : value.data.data(),
                        static_cast<DWORD>(value.data.size())) == ERROR_SUCCESS;
}

// Makes the key at `path` (created when it is gone) hold what the image
// holds: values and, with `subkeys`, sub-keys the image does not name go;
// the image's come back with their types, data and names.
void RestoreKey(HKEY root, const std::wstring& path, const RegistryKeyImage& image, bool subkeys, int depth = 0) {
  ScopedKey key;
  if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key.out(),
                      nullptr) != ERROR_SUCCESS)
    return;
  for (const std::wstring& name : Names(key.get(), false)) {
    bool kept = false;
    for (const RegistryValueImage& v : image.values) kept = kept || SameName(v.name, name);
    if (!kept) RegDeleteValueW(key.get(), name.c_str());
  }
  for (const RegistryValueImage& v : image.values) WriteValue(key.get(), v);
  if (!subkeys || depth >= kDeepest) return;
  const std::wstring below = path.empty() ? path : path + L"\\";
  for (const std::wstring& name : Names(key.get(), true)) {
    bool kept = false;
    for (const RegistryKeyImage& k : image.subkeys) kept = kept || SameName(k.name, name);
    if (!kept) RegistryDeleteTree(root, below + name, L"");
  }
  for (const RegistryKeyImage& k : image.subkeys)
    if (!k.unread) RestoreKey(root, below + k.name, k, true, depth + 1);
}

// A server's file as a class names it: environment variables expanded,
// quotes taken away; a local server's command may carry arguments.
std::wstring Expanded(const std::wstring& s) {
  wchar_t out[1024] = {};
  const DWORD n = ExpandEnvironmentStringsW(s.c_str(), out, 1024);
  return n && n <= 1024 ? std::wstring(out) : s;
}

std::wstring FullPath(const std::wstring& path) {
  wchar_t out[1024] = {};
  const DWORD n = GetFullPathNameW(path.c_str(), 1024, out, nullptr);
  return n && n < 1024 ? std::wstring(out) : path;
}

std::wstring ShortPath(const std::wstring& path) {
  wchar_t out[1024] = {};
  const DWORD n = GetShortPathNameW(path.c_str(), out, 1024);
  return n && n < 1024 ? std::wstring(out) : std::wstring();
}

// True when the command names the file (full or short form): whole, or
// followed by a blank and arguments.
bool NamesFile(const std::wstring& command, const std::wstring& file) {
  if (command.size() < file.size() || !SameName(command.substr(0, file.size()), file)) return false;
  return command.size() == file.size() || command[file.size()] == L' ';
}

bool ServerMatches(std::wstring command, const std::wstring& full, const std::wstring& shortForm) {
  command = text::Trim(Expanded(command), L" ");
  if (!command.empty() && command[0] == L'"') command = command.substr(1, command.find(L'"', 1) - 1);
  if (NamesFile(command, full) || (!shortForm.empty() && NamesFile(command, shortForm))) return true;
  // Another spelling of the same file (8.3 names in between): both short.
  const std::wstring name = text::FilePart(command);
  if (shortForm.empty() || (!SameName(name, text::FilePart(full)) && !SameName(name, text::FilePart(shortForm))))
    return false;
  return SameName(ShortPath(command), shortForm);
}

}  // namespace

bool ServerRegistered(const std::wstring& file) {
  const std::wstring full = FullPath(file);
  const std::wstring shortForm = ShortPath(full);
  ScopedKey classes;
  if (!Open(HKEY_CLASSES_ROOT, L"CLSID", KEY_READ, classes)) return false;
  for (const std::wstring& id : Names(classes.get(), true)) {
    for (const wchar_t* server : {L"\\InprocServer32", L"\\LocalServer32"}) {
      ScopedKey key;
      RegistryValueImage value;
      if (!Open(classes.get(), id + server, KEY_QUERY_VALUE, key) || !ReadValue(key.get(), L"", &value)) continue;
      if ((value.type != REG_SZ && value.type != REG_EXPAND_SZ) || value.data.size() < sizeof(wchar_t)) continue;
      const std::wstring command(reinterpret_cast<const wchar_t*>(value.data.data()),
                                 value.data.size() / sizeof(wchar_t));
      if (ServerMatches(command.c_str(), full, shortForm)) return true;
    }
  }
  return false;
}

void RegistryJournal::BeforeValue(HKEY root, const std::wstring& keyPath, const std::wstring& valueName) {
  const std::wstring path = KeyPathOf(keyPath);
  if (!root) return;
  Change c;
  c.kind = Kind::kValue;
  c.root = root;
  c.path = path;
  ScopedKey key;
  const LONG opened = OpenKey(root, path, KEY_QUERY_VALUE, key);
  if (opened != ERROR_SUCCESS && opened != ERROR_FILE_NOT_FOUND) return;  // not readable: not the run's to change
  c.existed = opened == ERROR_SUCCESS && ReadValue(key.get(), valueName, &c.value);
  c.value.name = c.existed ? StoredValueName(key.get(), valueName) : valueName;
  changes_.push_back(c);
}

void RegistryJournal::BeforeKey(HKEY root, const std::wstring& keyPath) {
  const std::wstring path = KeyPathOf(keyPath);
  if (!root) return;
  Change c;
  c.kind = Kind::kKey;
  c.root = root;
  c.path = path;
  c.created = FirstMissing(root, path);
  if (!c.created.empty()) changes_.push_back(c);  // an existing key is not changed by creating it
}

void RegistryJournal::BeforeTree(HKEY root, const std::wstring& keyPath, bool subkeys) {
  const std::wstring path = KeyPathOf(keyPath);
  if (!root) return;
  Change c;
  c.kind = Kind::kTree;
  c.root = root;
  c.path = path;
  c.subkeys = subkeys && !path.empty();  // never a whole root
  ScopedKey key;
  const LONG opened = OpenKey(root, path, KEY_READ, key);
  if (opened != ERROR_SUCCESS && opened != ERROR_FILE_NOT_FOUND) return;  // not readable: not the run's to change
  c.existed = opened == ERROR_SUCCESS;
  if (c.existed) c.path = StoredKeyPath(root, path);
  if (c.existed) ReadKey(key.get(), &c.key, c.subkeys);
  else c.created = FirstMissing(root, path);
  changes_.push_back(c);
}

void RegistryJournal::BeforeAssociation(const std::wstring& extension, const std::wstring& programFile) {
  for (const AssociationKey& key : AssociationKeys(extension, programFile)) {
    // A key named by an empty name is a whole class tree (the machine's
    // Software\Classes): only its values can be written.
    const std::wstring last = key.path.substr(key.path.rfind(L'\\') + 1);
    BeforeTree(key.root, key.path, !text::Trim(last, L" ").empty());
  }
}

void RegistryJournal::BeforeServer(const std::wstring& file, bool registering) {
  Change c;
  c.kind = Kind::kServer;
  c.path = file;
  c.registering = registering;
  // Registered before the run: as the first change of that file found it.
  const std::wstring full = FullPath(file);
  bool seen = false;
  for (const Change& earlier : changes_) {
    if (seen || earlier.kind != Kind::kServer || !SameName(FullPath(earlier.path), full)) continue;
    c.existed = earlier.existed;
    seen = true;
  }
  if (!seen) c.existed = ServerRegistered(file);
  changes_.push_back(c);
}

void RegistryJournal::BeforeService(const std::wstring& name) {
  Change c;
  c.kind = Kind::kService;
  c.path = name;
  c.service = ServiceSnapshot(name);
  changes_.push_back(c);
}

void RegistryJournal::AddedFont(const std::wstring& fontFile) {
  Change c;
  c.kind = Kind::kFont;
  c.path = fontFile;
  changes_.push_back(c);
}

void RegistryJournal::RollBackBeforeFiles() {
  for (size_t i = changes_.size(); i-- > 0;) {
    const Change& c = changes_[i];
    switch (c.kind) {
      case Kind::kValue:
        if (c.existed) {
          ScopedKey key;
          if (RegCreateKeyExW(c.root, c.path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                              key.out(), nullptr) == ERROR_SUCCESS)
            WriteValue(key.get(), c.value);
        } else {
          ScopedKey key;
          if (Open(c.root, c.path, KEY_SET_VALUE, key)) RegDeleteValueW(key.get(), c.value.name.c_str());
        }
        break;
      case Kind::kKey:
        RegistryDeleteTree(c.root, c.created, L"");
        break;
      case Kind::kTree:
        if (c.existed) RestoreKey(c.root, c.path, c.key, c.subkeys);
        else if (!c.created.empty()) RegistryDeleteTree(c.root, c.created, L"");
        break;
      case Kind::kServer:
        // Its own file is still there: it takes away what it registered.
        if (c.registering && !c.existed && PathExists(c.path)) RegisterServer(c.path, 0);
        break;
      case Kind::kService:
        ServiceRestore(c.path, c.service);
        break;
      case Kind::kFont:
        RemoveFontResourceW(c.path.c_str());
        SendMessageTimeoutW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
        break;
    }
  }
}

void RegistryJournal::RollBackAfterFiles() {
  // The file that was registered is back (a replaced one too): registering
  // it again writes what the run's registration or removal changed.
  for (const Change& c : changes_)
    if (c.kind == Kind::kServer && c.existed && PathExists(c.path)) RegisterServer(c.path, 1);
  changes_.clear();
}

void RegistryJournal::Commit() { changes_.clear(); }
