#include "script/setup_script.h"

#include "common/message_box.h"
#include "script/ini.h"
#include "script/localization.h"
#include "script/settings.h"
#include "startup/process.h"
#include "common/outcome.h"

void ReadSetupScript(const std::wstring& path) {
  if (!IniOpen(path)) {
    NoteOutcome(kFailed);
    ui::Message(Text(3), Text(0), ui::kErrorIcon);
    CleanUp(0);
  }
  ReadSetupSettings(&Settings());
  IniClose();
  DeleteFileW(path.c_str());
}
