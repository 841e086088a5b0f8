#include "tests/ops/ops_support.h"

#include <tlhelp32.h>
#include <winioctl.h>

#include <vector>

#include "tests/helpers/utf8.h"

namespace ops {

namespace {

const wchar_t kBinVariable[] = L"TARNWICK_TEST_BIN";

std::wstring OwnPath() {
  wchar_t buf[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, buf, MAX_PATH);
  return buf;
}

std::wstring TempRoot() {
  wchar_t buf[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH, buf);
  return std::wstring(buf) + L"tarnwick-ops\\";
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

}  // namespace

std::wstring BinFolder() {
  wchar_t inherited[MAX_PATH] = {};
  DWORD n = GetEnvironmentVariableW(kBinVariable, inherited, MAX_PATH);
  if (n > 0 && n < MAX_PATH) return inherited;
  std::wstring self = OwnPath();
  return self.substr(0, self.find_last_of(L'\\') + 1);
}

std::wstring FreshFolder(const std::wstring& name) {
  CreateDirectoryW(TempRoot().c_str(), nullptr);
  std::wstring folder = TempRoot() + name + L"\\";
  RemoveTree(folder);
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

void RemoveTree(const std::wstring& path) {
  std::wstring base = path;
  if (!base.empty() && base.back() == L'\\') base.pop_back();
  WIN32_FIND_DATAW found;
  HANDLE h = FindFirstFileW((base + L"\\*").c_str(), &found);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring full = base + L"\\" + name;
      SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(full);
      else DeleteFileW(full.c_str());
    } while (FindNextFileW(h, &found));
    FindClose(h);
  }
  RemoveDirectoryW(base.c_str());
}

bool FileExists(const std::wstring& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::wstring& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadFileBytes(const std::wstring& path) {
  std::string out;
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return out;
  char buf[4096];
  DWORD got;
  while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got) out.append(buf, got);
  CloseHandle(f);
  return out;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(f);
  return ok && written == bytes.size();
}

std::string Narrow(const std::wstring& s) { return WideToUtf8(s); }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

bool KeyExists(HKEY root, const std::wstring& path) {
  HKEY key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

bool ValueExists(HKEY root, const std::wstring& path, const std::wstring& name) {
  HKEY key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  LONG r = RegQueryValueExW(key, name.c_str(), nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(key);
  return r == ERROR_SUCCESS;
}

std::wstring TextValue(HKEY root, const std::wstring& path, const std::wstring& name) {
  HKEY key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return L"<missing>";
  DWORD type = 0;
  DWORD size = 0;
  std::wstring result = L"<missing>";
  if (RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
    if (type != REG_SZ) {
      result = L"<type " + std::to_wstring(type) + L">";
    } else {
      std::vector<wchar_t> data(size / sizeof(wchar_t) + 1, L'\0');
      RegQueryValueExW(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &size);
      result = data.data();
    }
  }
  RegCloseKey(key);
  return result;
}

void DeleteKeyTree(HKEY root, const std::wstring& path) {
  HKEY key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
    wchar_t name[256];
    for (;;) {
      DWORD length = 256;
      if (RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      std::wstring before = name;
      DeleteKeyTree(root, path + L"\\" + name);
      length = 256;
      // A sub-key that stays (no right to delete it) would loop for ever.
      if (RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
          before == name)
        break;
    }
    RegCloseKey(key);
  }
  RegDeleteKeyW(root, path.c_str());
}

HANDLE Start(const std::wstring& program, const std::wstring& arguments) {
  std::wstring line = L"\"" + program + L"\"";
  if (!arguments.empty()) line += L" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION created = {};
  if (!CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &created))
    return nullptr;
  CloseHandle(created.hThread);
  return created.hProcess;
}

bool Running(HANDLE process) { return WaitForSingleObject(process, 0) == WAIT_TIMEOUT; }

std::vector<DWORD> ProcessIdsNamed(const std::wstring& name) {
  std::vector<DWORD> ids;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return ids;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
    std::wstring exe = entry.szExeFile;
    exe = exe.substr(exe.find_last_of(L"\\/") + 1);
    if (lstrcmpiW(exe.c_str(), name.c_str()) == 0) ids.push_back(entry.th32ProcessID);
  }
  CloseHandle(snapshot);
  return ids;
}

void EndProcessesNamed(const std::wstring& name) {
  for (DWORD id : ProcessIdsNamed(name)) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
    if (!process) continue;
    TerminateProcess(process, 99);
    WaitForSingleObject(process, 10000);
    CloseHandle(process);
  }
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
  for (int waited = 0;; waited += 20) {
    if (condition()) return true;
    if (waited >= timeoutMs) return false;
    Sleep(20);
  }
}

::testing::AssertionResult RunEmulated(const std::wstring& version, const std::wstring& filter) {
  const std::wstring folder = FreshFolder(L"emulated-" + version);
  const std::wstring name = L"ops_" + version + L".exe";
  if (!CopyFileW(OwnPath().c_str(), (folder + name).c_str(), FALSE))
    return ::testing::AssertionFailure() << "cannot copy the test program";
  HKEY key;
  const std::wstring defaults = L"Software\\Wine\\AppDefaults\\" + name;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, defaults.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return ::testing::AssertionFailure() << "cannot set the emulated version";
  RegSetValueExW(key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                 static_cast<DWORD>((version.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  SetEnvironmentVariableW(kBinVariable, BinFolder().c_str());

  const std::wstring report = folder + L"report.xml";
  HANDLE child = Start(folder + name, L"--gtest_also_run_disabled_tests --gtest_filter=" + filter +
                                          L" --gtest_output=xml:" + report);
  if (!child) return ::testing::AssertionFailure() << "cannot start the copy";
  DWORD waited = WaitForSingleObject(child, 180000);
  DWORD code = 1;
  GetExitCodeProcess(child, &code);
  if (waited != WAIT_OBJECT_0) TerminateProcess(child, 1);
  CloseHandle(child);

  const std::string xml = ReadFileBytes(report);
  const size_t ran = Count(xml, "status=\"run\"");
  if (waited != WAIT_OBJECT_0) return ::testing::AssertionFailure() << "the copy did not end";
  if (ran == 0) return ::testing::AssertionFailure() << "no case matched " << Narrow(filter);
  if (code != 0 || Count(xml, "<failure") != 0)
    return ::testing::AssertionFailure() << "cases failed under " << Narrow(version) << " (exit code " << code << ")";
  return ::testing::AssertionSuccess();
}

namespace {

bool PathThere(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
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
  for (int i = 0; i < 1000 && !PathThere(link); ++i) Sleep(10);  // a Unix process's handle does not tell its end
  return PathThere(link);
}

}  // namespace

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
  return LinkThere(link) || (!folder && PathThere(link));  // Wine shows a file link as its file
}


}  // namespace ops
