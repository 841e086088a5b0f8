#include "common/files.h"

#include "common/handles.h"
#include "common/system_api.h"
#include "common/text.h"

size_t PathRootEnd(const std::wstring& folder) {
  if (folder.compare(0, 4, L"\\\\?\\") == 0) return folder.find(L'\\', 4);
  if (folder.compare(0, 2, L"\\\\") == 0) {
    size_t server = folder.find(L'\\', 2);
    return server == std::wstring::npos ? std::wstring::npos : folder.find(L'\\', server + 1);
  }
  if (folder.size() >= 3 && folder[1] == L':') return 2;
  return 0;
}

bool MakePath(const std::wstring& path, std::vector<std::wstring>* made) {
  size_t last = path.find_last_of(L'\\');
  if (last == std::wstring::npos) return true;  // no folder part
  const std::wstring folder = path.substr(0, last + 1);
  // Skip the root: "C:\", "\\server\share\" or "\\?\C:\".
  const size_t from = PathRootEnd(folder);
  if (from == std::wstring::npos) return false;
  for (size_t at = folder.find(L'\\', from + 1); at != std::wstring::npos; at = folder.find(L'\\', at + 1)) {
    const std::wstring part = folder.substr(0, at);
    if (part.empty() || part.back() == L'\\') continue;  // a doubled backslash
    if (CreateDirectoryW(part.c_str(), nullptr)) {
      if (made) made->push_back(part);
    } else if (GetLastError() != ERROR_ALREADY_EXISTS && !IsFolder(part)) {
      return false;
    }
  }
  return IsFolder(folder);
}

bool CreatePrivateFolder(const std::wstring& path) {
  // Full control for the system and the administrators, inherited by
  // everything below; no other entry, and none inherited from the parent.
  PSECURITY_DESCRIPTOR descriptor = DescriptorFromText(L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)");
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
  const bool made = CreateDirectoryW(path.c_str(), descriptor ? &attributes : nullptr) != 0;
  if (descriptor) LocalFree(descriptor);
  return made;
}

uint64_t FreeBytesFor(const std::wstring& path) {
  std::wstring at = text::TrimRight(path, L"\\");
  for (;;) {
    uint64_t freeToCaller = 0;
    if (IsFolder(at) && FreeSpaceOf(text::WithBackslash(at).c_str(), &freeToCaller)) return freeToCaller;
    const size_t cut = at.find_last_of(L'\\');
    if (cut == std::wstring::npos || cut < 2) return kNoFreeSpaceFigure;  // above a root
    at.resize(cut);
  }
}

bool PathExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsFolder(const std::wstring& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

HANDLE CreateFileForWriting(const std::wstring& path) {
  // Windows refuses to recreate a read-only file; some emulations do not, so
  // the rule is applied here for the same result everywhere.
  DWORD a = GetFileAttributesW(path.c_str());
  if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY) && !(a & FILE_ATTRIBUTE_DIRECTORY)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

DWORD WhyNotMovable(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), DELETE | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
  const DWORD error = h == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_ACCESS_DENIED;
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  return error;
}

HANDLE CreateNewFile(const std::wstring& path) {
  return CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool WriteAll(HANDLE file, const void* data, size_t size) {
  const auto* p = static_cast<const BYTE*>(data);
  while (size) {
    DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(file, p, chunk, &written, nullptr) || written == 0) return false;
    p += written;
    size -= written;
  }
  return true;
}

namespace {

// The name without a trailing backslash: with one, a link would be taken
// for the folder it points to.
std::wstring ItselfName(const std::wstring& path) {
  return path.size() > 3 && path.back() == L'\\' ? path.substr(0, path.size() - 1) : path;
}

}  // namespace

bool IsLink(const std::wstring& path) {
  // The attributes of a name are those of the link itself, never followed.
  const DWORD a = GetFileAttributesW(ItselfName(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool ReachedThroughLink(const std::wstring& base, const std::wstring& path, std::vector<std::wstring>* clean) {
  if (IsLink(path)) return true;
  const std::wstring folder = text::FolderPart(path);
  if (folder.size() <= base.size()) return false;
  for (const std::wstring& known : *clean)
    if (known == folder) return false;
  for (size_t at = base.size(); at < folder.size();) {
    const size_t end = folder.find(L'\\', at);
    if (end == std::wstring::npos) break;
    if (IsLink(folder.substr(0, end))) return true;
    at = end + 1;
  }
  if (clean->size() > 64) clean->erase(clean->begin());
  clean->push_back(folder);
  return false;
}

// Links, junctions and other reparse points are left alone by every walk
// that deletes: not entered, not listed and not removed, so that what they
// point to is never touched. (The installation makes none; and Wine 8
// removes a folder link's target instead of the link.)
void CollectSubFolders(const std::wstring& folder, std::vector<FolderEntry>* found) {
  if (IsLink(folder)) return;
  const std::wstring base = text::WithBackslash(folder);
  WIN32_FIND_DATAW fd;
  ScopedFind find(FindFirstFileW((base + L"*").c_str(), &fd));
  if (!find.valid()) return;
  do {
    const std::wstring name = fd.cFileName;
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == L"." || name == L"..") continue;
    const std::wstring path = base + name + L"\\";
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
    found->push_back(MakeFolderEntry(path));
    CollectSubFolders(path, found);
  } while (FindNextFileW(find.get(), &fd));
}

void DeleteTree(const std::wstring& folder) {
  if (IsLink(folder)) return;
  const std::wstring base = text::WithBackslash(folder);
  {
    WIN32_FIND_DATAW fd;
    ScopedFind find(FindFirstFileW((base + L"*").c_str(), &fd));
    if (find.valid()) {
      do {
        const std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = base + name;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW(path.c_str());
        else DeleteTree(path);
      } while (FindNextFileW(find.get(), &fd));
    }
  }
  SetFileAttributesW(base.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryW(base.c_str());
}
