#include "startup/process.h"

#include "common/heap.h"
#include "common/text.h"
#include "common/toolkit.h"

ProcessState& Process() {
  static ProcessState* state = new ProcessState;
  return *state;
}

void DeleteTree(const std::wstring& folder) {
  const std::wstring base = text::WithBackslash(folder);
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW((base + L"*.*").c_str(), &fd);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = base + name;
      // A link to a folder is removed as a link; its target is never walked.
      bool isLink = (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
      if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !isLink) {
        DeleteTree(path);
      } else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        RemoveDirectoryW(path.c_str());
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(find, &fd));
    FindClose(find);
  }
  SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryW(text::TrimRight(folder, L"\\").c_str());
}

void CleanUp(int mode) {
  ProcessState& p = Process();
  if (!p.workFolder.empty()) DeleteTree(p.workFolder);
  if (mode == 0) EndPlain();
}

void EndPlain() {
  ui::Shutdown();
  DestroyPrivateHeap();
  ExitProcess(0);
}
