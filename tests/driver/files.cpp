#include "tests/driver/files.h"

#include <gtest/gtest.h>
#include <winioctl.h>

#include <cstring>
#include <random>

#include "tests/helpers/utf8.h"

namespace drive {

namespace {

std::wstring OwnPath() {
  wchar_t buf[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, buf, MAX_PATH);
  return buf;
}

void ListTree(const std::wstring& base, const std::wstring& relative, bool deep, std::set<std::string>* out) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((base + relative + L"*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out->insert(Narrow(relative + name + L"\\"));
      if (deep) ListTree(base, relative + name + L"\\", deep, out);
    } else {
      out->insert(Narrow(relative + name));
    }
  } while (FindNextFileW(h, &fd));
  FindClose(h);
}

bool LinkThere(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
}

// A junction (a mount point) at `link` to the folder `target`.
bool MakeJunction(const std::wstring& link, const std::wstring& target) {
  const std::wstring nt = L"\\??\\" + target;
  struct {
    DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
    WORD dataLength, reserved = 0, substituteOffset = 0, substituteLength, printOffset, printLength = 0;
    wchar_t paths[1024] = {};
  } b;
  b.substituteLength = static_cast<WORD>(nt.size() * 2);
  b.printOffset = static_cast<WORD>(b.substituteLength + 2);
  nt.copy(b.paths, nt.size());
  b.dataLength = static_cast<WORD>(8 + b.printOffset + 2);
  if (!CreateDirectoryW(link.c_str(), nullptr)) return false;
  HANDLE h = CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  DWORD n = 0;
  const bool made = DeviceIoControl(h, FSCTL_SET_REPARSE_POINT, &b, 8 + b.dataLength, nullptr, 0, &n, nullptr);
  CloseHandle(h);
  if (!made) RemoveDirectoryW(link.c_str());
  return made;
}

// Wine 8 makes no links of its own but shows a Unix symbolic link as one:
// there the link is made by the Linux "ln" (Wine starts Unix programs).
bool MakeUnixLink(const std::wstring& link, const std::wstring& target) {
  using ToUnix = char*(CDECL*)(LPCWSTR);
  auto toUnix = reinterpret_cast<ToUnix>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!toUnix) return false;
  std::wstring command = L"ln -s";
  for (const std::wstring& path : {target, link}) {
    char* unix = toUnix(path.c_str());
    wchar_t wide[MAX_PATH * 2] = {};
    MultiByteToWideChar(CP_UTF8, 0, unix ? unix : "", -1, wide, MAX_PATH * 2);
    command += L" \"" + std::wstring(wide) + L"\"";
    HeapFree(GetProcessHeap(), 0, unix);
  }
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(L"\\\\?\\unix\\bin\\ln", &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return false;
  CloseHandle(pi.hThread), CloseHandle(pi.hProcess);
  for (int i = 0; i < 1000 && !Exists(link); ++i) Sleep(10);  // a Unix process's handle does not tell its end
  return Exists(link);
}

}  // namespace

std::wstring BinFolder() {
  wchar_t inherited[MAX_PATH] = {};
  DWORD n = GetEnvironmentVariableW(L"TARNWICK_TEST_BIN", inherited, MAX_PATH);
  if (n > 0 && n < MAX_PATH) return inherited;
  std::wstring self = OwnPath();
  return self.substr(0, self.find_last_of(L'\\') + 1);
}

std::wstring TempFolder() {
  wchar_t buf[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH, buf);
  wchar_t longer[MAX_PATH + 1] = {};
  if (GetLongPathNameW(buf, longer, MAX_PATH)) return longer;
  return buf;
}

std::wstring FreshFolder(const std::wstring& name) {
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring root = std::wstring(temp) + L"tarnwick-ops\\";
  CreateDirectoryW(root.c_str(), nullptr);
  std::wstring folder = root + name + L"\\";
  RemoveTree(folder);
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

void RemoveTree(const std::wstring& path) {
  std::wstring base = path;
  if (base.empty()) return;
  if (base.back() != L'\\') base += L'\\';
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((base + L"*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring full = base + name;
      SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(full);
      else DeleteFileW(full.c_str());
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryW(path.c_str());
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool FileExists(const std::wstring& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::wstring& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void MakeFolders(const std::wstring& path) {
  for (size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1))
    CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
}

std::string ReadFileBytes(const std::wstring& path) {
  std::string out;
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return out;
  char buf[65536];
  DWORD got;
  while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got) out.append(buf, got);
  CloseHandle(f);
  return out;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  MakeFolders(path);
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(f);
  return ok && written == bytes.size();
}

std::set<std::string> Tree(const std::wstring& folder, bool deep) {
  std::set<std::string> out;
  ListTree(folder, L"", deep, &out);
  return out;
}

std::wstring MissingDriveRoot() {
  const DWORD drives = GetLogicalDrives();
  for (wchar_t letter = L'Q'; letter <= L'Y'; ++letter)
    if (!(drives & (1u << (letter - L'A')))) return std::wstring(1, letter) + L":\\";
  ADD_FAILURE() << "every drive letter from Q: to Y: is in use";
  return L"Q:\\";
}

// A junction (mount point) or a symbolic link at `link` to `target` (a
// folder or, for a symbolic link, a file), made without privileges where allowed.
bool MakeLink(const std::wstring& link, std::wstring target, bool junction) {
  if (target.back() == L'\\') target.pop_back();
  using Make = BOOLEAN(WINAPI*)(LPCWSTR, LPCWSTR, DWORD);
  auto make = reinterpret_cast<Make>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "CreateSymbolicLinkW")));
  const DWORD folder = GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_DIRECTORY ? 1 : 0;
  if (junction) MakeJunction(link, target);
  else if (make && !make(link.c_str(), target.c_str(), folder | 2)) make(link.c_str(), target.c_str(), folder);
  if (!LinkThere(link)) MakeUnixLink(link, target);  // Wine 8 reports success and makes nothing
  return LinkThere(link) || (!folder && Exists(link));  // Wine shows a file link as its file
}

std::string Narrow(const std::wstring& s) { return WideToUtf8(s); }

std::wstring Widen(const std::string& s) {
  if (s.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
  return w;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

std::string NoiseBytes(size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::string out(size, '\0');
  for (size_t i = 0; i + 4 <= size; i += 4) {
    uint32_t v = rng();
    std::memcpy(&out[i], &v, 4);
  }
  return out;
}

}  // namespace drive
