#include "install/internet.h"

#include "common/system_api.h"

namespace {

template <typename T>
bool Find(HMODULE library, const char* name, T* entry) {
  *entry = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(library, name)));
  return *entry != nullptr;
}

bool Load(InternetApi* api) {
  HMODULE library = LoadSystemLibrary(L"wininet.dll");
  if (!library) return false;
  if (Find(library, "InternetOpenW", &api->open) && Find(library, "InternetOpenUrlW", &api->openUrl) &&
      Find(library, "InternetConnectW", &api->connect) && Find(library, "HttpOpenRequestW", &api->openRequest) &&
      Find(library, "HttpSendRequestW", &api->sendRequest) && Find(library, "HttpQueryInfoW", &api->queryInfo) &&
      Find(library, "InternetReadFile", &api->readFile) && Find(library, "InternetCloseHandle", &api->closeHandle))
    return true;
  FreeLibrary(library);
  return false;
}

InternetApi g_api;
int g_state;  // 0: not tried yet, 1: loaded, -1: missing

}  // namespace

const InternetApi* Internet() {
  if (g_state == 0) g_state = Load(&g_api) ? 1 : -1;
  return g_state > 0 ? &g_api : nullptr;
}
