#include "wizard/fatal.h"

#include "common/message_box.h"
#include "script/localization.h"
#include "startup/process.h"
#include "common/outcome.h"

void EndWithMessage(const std::wstring& text) {
  NoteOutcome(kFailed);
  ui::Message(text, Text(0), ui::kErrorIcon);
  CleanUp(0);
  EndPlain();
}

void EndWithKey(int key) { EndWithMessage(Text(key)); }
