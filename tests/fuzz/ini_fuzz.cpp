// Feeds arbitrary bytes to the INI reader, as the setup script, a
// localization file or uninstall data, and reads everything back.
#include <cstddef>
#include <cstdint>
#include <string>

#include "script/ini.h"
#include "script/integer.h"
#include "script/localization.h"
#include "script/settings.h"
#include "script/token_rules.h"

namespace {
class Echo : public TokenValues {
 public:
  std::wstring PathToken(int i) const override { return i % 3 ? L"<Temp>\\x\\" : L""; }
  std::wstring TextVariable(int i) const override { return i ? L"v" : L"<ProgramName>"; }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  IniDocument ini(std::string(reinterpret_cast<const char*>(data), size));
  SetupSettings settings;
  ReadSetupSettings(ini, &settings);
  TextTable texts;
  ReadTexts(ini, &texts);
  ini.SelectGroup(L"");
  for (bool more = ini.FirstKey(); more; more = ini.NextKey()) {
    ReadInteger(ini.KeyValue());
    ExpandTokensWith(ini.KeyValue(), Echo());
  }
  for (const TaskEntry& t : settings.installTasks) ExpandTokensWith(t.line, Echo());
  return 0;
}
