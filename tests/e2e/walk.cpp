#include "tests/e2e/walk.h"

#include <cstring>

#include "wizard/controls.h"

::testing::AssertionResult WalkTo(HWND w, int page) {
  int shown = -1;
  // A page shows (not two, as while the wizard changes pages), and not the
  // one the last Next left.
  auto settled = [&](int left) {
    return drive::WaitUntil([&] { return (shown = ShownPage(w)) >= 0 && shown != left; }, 60000);
  };
  if (!settled(-1)) return ::testing::AssertionFailure() << "no page is shown";
  while (shown != page && !(page == kPageInstallation && shown == kPageFinish)) {
    if (shown == kPageInstallation && page == kPageFinish) {
      if (!WaitFinishPage(w)) break;
      shown = kPageFinish;
      continue;
    }
    if (shown > page || shown >= kPageInstallation) break;
    if (shown == kPageLicence && !drive::Checked(w, kLicenseBox) && !drive::Click(w, kLicenseBox)) break;
    if (!drive::Click(w, kNextButton) || !settled(shown)) break;
  }
  if (shown == page && page == kPageFinish && !WaitFinishPage(w)) shown = kPageInstallation;
  if (shown == page || (page == kPageInstallation && shown == kPageFinish)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "page " << ShownPage(w) << " is shown, not page " << page;
}

HWND StartInstallation(const drive::Process& p, const std::wstring& title) {
  HWND w = WaitWizard(p, title);
  if (!w) return nullptr;
  ::testing::AssertionResult walked = WalkTo(w, kPageInstallation);
  EXPECT_TRUE(walked);
  return walked ? w : nullptr;
}

void CleanUp(std::initializer_list<std::wstring> programs, std::initializer_list<RegistryKey> keys,
             std::initializer_list<std::wstring> paths) {
  for (const std::wstring& program : programs) StopProcessesNamed(program);
  for (const RegistryKey& key : keys) ops::DeleteKeyTree(key.first, key.second);
  for (const std::wstring& path : paths) {
    RemoveTree(path);
    DeleteFileW(path.c_str());
  }
}

void MakeKey(HKEY root, const std::wstring& path) {
  HKEY k;
  ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), ERROR_SUCCESS)
      << U8(path);
  RegCloseKey(k);
}

void DeleteValue(HKEY root, const std::wstring& path, const std::wstring& name) {
  RegDeleteKeyValueW(root, path.c_str(), name.c_str());
}

RegValue ReadValue(HKEY root, const std::wstring& path, const std::wstring& name) {
  RegValue v;
  HKEY k;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return v;
  DWORD size = 0;
  if (RegQueryValueExW(k, name.c_str(), nullptr, &v.type, nullptr, &size) == ERROR_SUCCESS) {
    v.exists = true;
    v.bytes.resize(size);
    RegQueryValueExW(k, name.c_str(), nullptr, &v.type, reinterpret_cast<BYTE*>(&v.bytes[0]), &size);
  }
  RegCloseKey(k);
  return v;
}

int64_t GetNumber(HKEY root, const std::wstring& path, const std::wstring& name) {
  const RegValue v = ReadValue(root, path, name);
  DWORD value = 0;
  if (v.type != REG_DWORD || v.bytes.size() != sizeof value) return -1;
  memcpy(&value, v.bytes.data(), sizeof value);
  return value;
}
