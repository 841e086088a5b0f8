#include <windows.h>

#include <algorithm>

#include "common/text.h"
#include "tools/tarnpack/fs.h"

namespace fs {

namespace {

std::wstring Wide(const std::string& s) { return text::FromUtf8(s); }
std::string Narrow(const std::wstring& s) { return text::ToUtf8(s); }

bool Walk(const std::string& root, const std::string& prefix, std::vector<TreeEntry>* out, std::string* error) {
  const std::string folder = prefix.empty() ? root : Join(root, prefix);
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW((Wide(Join(folder, "*"))).c_str(), &fd);
  if (find == INVALID_HANDLE_VALUE) {
    *error = "cannot read the folder " + folder;
    return false;
  }
  std::vector<WIN32_FIND_DATAW> items;
  do {
    std::wstring name = fd.cFileName;
    if (name != L"." && name != L"..") items.push_back(fd);
  } while (FindNextFileW(find, &fd));
  FindClose(find);
  std::sort(items.begin(), items.end(), [](const WIN32_FIND_DATAW& a, const WIN32_FIND_DATAW& b) {
    return Narrow(a.cFileName) < Narrow(b.cFileName);
  });
  for (const WIN32_FIND_DATAW& item : items) {
    TreeEntry e;
    e.relative = prefix + Narrow(item.cFileName);
    FILETIME local;
    WORD date = 0x21, time = 0;  // 1980-01-01 when the time cannot be converted
    if (FileTimeToLocalFileTime(&item.ftLastWriteTime, &local)) FileTimeToDosDateTime(&local, &date, &time);
    e.dosTime = uint32_t(date) << 16 | time;
    // FILETIME counts 100 ns from 1601-01-01 UTC.
    const int64_t ticks = int64_t(uint64_t(item.ftLastWriteTime.dwHighDateTime) << 32 | item.ftLastWriteTime.dwLowDateTime);
    e.modified = ticks / 10000000 - 11644473600LL;
    e.attributes = item.dwFileAttributes & 0x37;
    if (item.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      e.folder = true;
      e.relative += "/";
      out->push_back(e);
      if (!Walk(root, e.relative, out, error)) return false;
    } else {
      e.size = uint64_t(item.nFileSizeHigh) << 32 | item.nFileSizeLow;
      out->push_back(e);
    }
  }
  return true;
}

}  // namespace

bool ListTree(const std::string& root, std::vector<TreeEntry>* entries, std::string* error) {
  entries->clear();
  return Walk(root, "", entries, error);
}

bool IsFile(const std::string& path) {
  DWORD a = GetFileAttributesW(Wide(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFolder(const std::string& path) {
  DWORD a = GetFileAttributesW(Wide(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

FILE* OpenForReading(const std::string& path) { return _wfopen(Wide(path).c_str(), L"rb"); }
FILE* OpenForWriting(const std::string& path) { return _wfopen(Wide(path).c_str(), L"wb"); }

bool MakeFolder(const std::string& path) { return CreateDirectoryW(Wide(path).c_str(), nullptr) != 0; }

bool RenameOver(const std::string& from, const std::string& to) {
  return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

void Remove(const std::string& path) { DeleteFileW(Wide(path).c_str()); }

bool RunProgram(const std::vector<std::string>& arguments, int*, std::string* output, std::string* error) {
  output->clear();
  *error = "cannot run " + arguments[0] + " from the Windows build of tarnpack";
  return false;
}

bool RunsPrograms() { return false; }

std::string ProgramFolder() {
  wchar_t buf[MAX_PATH + 1] = {};
  DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
  std::wstring self(buf, n);
  return Narrow(self.substr(0, self.find_last_of(L"\\/") + 1));
}

}  // namespace fs
