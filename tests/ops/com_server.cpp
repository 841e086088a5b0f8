// A COM server as regsvr32.exe sees it: DllRegisterServer enters its class
// (with this DLL's path as the in-process server) and a ProgID under
// HKEY_CLASSES_ROOT; DllUnregisterServer removes both.
#include <windows.h>

#include <string>

namespace {

HINSTANCE g_self;
const wchar_t kClass[] = L"CLSID\\{3F6B2C1E-8A4D-4E7B-9C21-5D0A7E4B6F93}";
const wchar_t kProgId[] = L"Tarnwick.OpsTestServer";
const wchar_t kClassId[] = L"{3F6B2C1E-8A4D-4E7B-9C21-5D0A7E4B6F93}";

bool SetDefault(const std::wstring& path, const std::wstring& data) {
  HKEY key;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr))
    return false;
  LONG r = RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                          static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return r == ERROR_SUCCESS;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_self = self;
  return TRUE;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllRegisterServer() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(g_self, path, MAX_PATH);
  bool ok = SetDefault(std::wstring(kClass) + L"\\InprocServer32", path) &&
            SetDefault(std::wstring(kClass) + L"\\ProgID", kProgId) &&
            SetDefault(std::wstring(kProgId) + L"\\CLSID", kClassId);
  return ok ? S_OK : E_FAIL;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllUnregisterServer() {
  const std::wstring keys[] = {std::wstring(kClass) + L"\\InprocServer32", std::wstring(kClass) + L"\\ProgID",
                               kClass, std::wstring(kProgId) + L"\\CLSID", kProgId};
  for (const std::wstring& key : keys) RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());
  return S_OK;
}
