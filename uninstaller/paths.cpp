#include "uninstaller/paths.h"

#include "common/prelude.h"
#include "common/text.h"

std::wstring OwnPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::wstring WithExtension(const std::wstring& path, const std::wstring& extension) {
  const size_t fileStart = text::FolderPart(path).size();
  const size_t dot = path.rfind(L'.');
  const std::wstring stem = dot != std::wstring::npos && dot >= fileStart ? path.substr(0, dot) : path;
  return stem + L"." + extension;
}

std::wstring ExtensionOf(const std::wstring& path) {
  const std::wstring file = text::FilePart(path);
  const size_t dot = file.rfind(L'.');
  return dot == std::wstring::npos ? std::wstring() : file.substr(dot + 1);
}
