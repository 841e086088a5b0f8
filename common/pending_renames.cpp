#include "common/pending_renames.h"

#include <vector>

#include "common/handles.h"
#include "common/prelude.h"
#include "common/text.h"

namespace {

constexpr wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kOperations[] = L"PendingFileRenameOperations";

// The list as it stands: source and target of each operation, the target
// empty for a deletion; paths in the system's "\??\" form.
std::vector<std::wstring> ReadList() {
  std::vector<std::wstring> items;
  ScopedKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, key.out()) != ERROR_SUCCESS) return items;
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key.get(), kOperations, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_MULTI_SZ)
    return items;
  std::wstring all(size / sizeof(wchar_t) + 2, L'\0');
  if (RegQueryValueExW(key.get(), kOperations, nullptr, &type, reinterpret_cast<BYTE*>(&all[0]), &size) != ERROR_SUCCESS)
    return items;
  all.resize(size / sizeof(wchar_t));
  // Strings one after another, each ending with a null; an empty one is a
  // deletion's target, so the list is read pair by pair.
  size_t at = 0;
  while (at < all.size()) {
    const size_t end = all.find(L'\0', at);
    items.push_back(all.substr(at, end == std::wstring::npos ? std::wstring::npos : end - at));
    if (end == std::wstring::npos) break;
    at = end + 1;
  }
  while (!items.empty() && items.size() % 2) items.pop_back();  // the closing null
  return items;
}

// A target or source in the system's form, back to a path.
std::wstring PathOf(const std::wstring& item) {
  std::wstring path = !item.empty() && item[0] == L'!' ? item.substr(1) : item;
  if (text::StartsWith(path, L"\\??\\")) path = path.substr(4);
  return path;
}

// The names the list speaks of when it was first read: most runs find
// none, and ask nothing more.
const std::vector<std::wstring>& NamesAtStart() {
  static std::vector<std::wstring>* names = nullptr;
  if (!names) {
    names = new std::vector<std::wstring>;
    const std::vector<std::wstring> items = ReadList();
    for (size_t i = 0; i + 1 < items.size(); i += 2)
      names->push_back(text::Lower(text::FilePart(PathOf(items[i + 1].empty() ? items[i] : items[i + 1]))));
  }
  return *names;
}

}  // namespace

void ForgetRestartOperationsOn(const std::wstring& path) {
  const std::wstring name = text::Lower(text::FilePart(path));
  bool named = false;
  for (const std::wstring& n : NamesAtStart()) named = named || n == name;
  if (!named) return;
  const std::vector<std::wstring> items = ReadList();
  std::wstring kept;
  bool dropped = false;
  for (size_t i = 0; i + 1 < items.size(); i += 2) {
    const bool deletion = items[i + 1].empty();
    if (text::EqualsNoCase(PathOf(deletion ? items[i] : items[i + 1]), path)) {
      dropped = true;
      if (!deletion) {
        SetFileAttributesW(PathOf(items[i]).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(PathOf(items[i]).c_str());  // the staged copy that would have replaced it
      }
      continue;
    }
    kept += items[i] + L'\0' + items[i + 1] + L'\0';
  }
  if (!dropped) return;
  ScopedKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, key.out()) != ERROR_SUCCESS) return;
  if (kept.empty()) {
    RegDeleteValueW(key.get(), kOperations);
    return;
  }
  kept += L'\0';
  RegSetValueExW(key.get(), kOperations, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(kept.data()),
                 static_cast<DWORD>(kept.size() * sizeof(wchar_t)));
}
