#include "install/shortcuts.h"

#include "common/prelude.h"

#include <objbase.h>
#include <shlobj.h>

#include "common/files.h"
#include "common/handles.h"
#include "common/text.h"
#include "install/file_tasks.h"

int CreateShortcut(const std::wstring& target, const std::wstring& linkFile, const std::wstring& arguments,
                   const std::wstring& description, const std::wstring& workingFolder, int showCommand, int hotKey,
                   const std::wstring& iconFile, int iconIndex) {
  const std::wstring folder = workingFolder.empty() ? ProgramFolderOf(target) : workingFolder;
  const std::wstring icon = iconFile.empty() ? target : iconFile;
  const std::wstring file = text::EndsWithNoCase(linkFile, L".lnk") ? linkFile : linkFile + L".lnk";

  HRESULT init = CoInitialize(nullptr);
  if (init != S_OK && init != S_FALSE) return 0;
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link)))) {
    CoUninitialize();
    return 0;
  }
  link->SetPath(target.c_str());
  link->SetArguments(arguments.c_str());
  link->SetWorkingDirectory(folder.c_str());
  link->SetDescription(description.c_str());
  link->SetShowCmd(showCommand);
  link->SetHotkey(static_cast<WORD>(hotKey));
  link->SetIconLocation(icon.c_str(), iconIndex);
  int result = 0;
  IPersistFile* persist = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
    // A link the shell could not save (a missing folder) was not made.
    result = SUCCEEDED(persist->Save(file.c_str(), TRUE)) ? 1 : 0;
    persist->Release();
  }
  link->Release();
  CoUninitialize();
  return result;
}

int CreateInternetLink(const std::wstring& address, const std::wstring& linkFile) {
  HANDLE f = CreateFileW(linkFile.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE)
    f = CreateFileW(linkFile.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, TRUNCATE_EXISTING,
                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return 0;
  ScopedHandle file(f);
  const std::string content = "[InternetShortcut]\r\nURL=" + text::ToUtf8(address) + "\r\n";
  WriteAll(file.get(), content.data(), content.size());
  return 1;
}
