// Loading the chosen localization file when the wizard starts.
#include "common/message_box.h"
#include "script/ini.h"
#include "script/localization.h"
#include "script/messages.h"
#include "startup/process.h"
#include "common/outcome.h"

void LoadTexts(const std::wstring& path) {
  IniDocument file;
  if (!ReadIniFile(path, &file)) {
    NoteOutcome(kFailed);
    ui::Message(script_text::kCannotReadLocalization, script_text::kErrorTitle, ui::kErrorIcon);
    CleanUp(0);
  }
  ReadTexts(file, &Process().texts);
}
