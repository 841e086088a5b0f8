#include "wizard/wizard.h"

#include "common/system_api.h"
#include "common/toolkit.h"
#include "package/package.h"
#include "script/localization.h"
#include "script/setup_script.h"
#include "startup/process.h"
#include "wizard/disk_space.h"
#include "wizard/size_format.h"

namespace {

[[noreturn]] void Fail(int key) {
  ui::Message(Text(key), Text(0), ui::kErrorIcon);
  CleanUp(0);
  EndPlain();
}

}  // namespace

void RunWizard(const std::wstring& localizationFile) {
  LoadTexts(localizationFile);
  uint64_t required = 0;
  if (!ReadRequiredSpace(Paths().statistics, &required)) Fail(1);
  if (DriveSpace(RootOf(TempFolder()), L'f') < required) Fail(2);
  ReadSetupScript(Paths().script);
  // The wizard's window comes with its own change; until then a run ends here.
  CleanUp(0);
  EndPlain();
}
