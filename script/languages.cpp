#include "script/languages.h"

#include "startup/process.h"

void DiscoverLanguages(const std::wstring& folder) {
  (void)folder;
  Process().languages.clear();
}
