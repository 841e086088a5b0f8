#include "script/setup_script.h"

#include "common/message_box.h"
#include "script/ini.h"
#include "startup/process.h"
#include "common/outcome.h"

void ReadSetupScript(const std::wstring& path) {
  IniDocument script;
  if (!ReadIniFile(path, &script)) {
    NoteOutcome(kFailed);
    ui::Message(Text(3), Text(0), ui::kErrorIcon);
    CleanUp(0);
  }
  ReadSetupSettings(script, &Settings());
  DeleteFileW(path.c_str());
}
