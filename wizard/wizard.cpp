#include "wizard/wizard.h"

#include "common/files.h"
#include "common/system_api.h"
#include "common/toolkit.h"
#include "package/package.h"
#include "script/localization.h"
#include "script/settings.h"
#include "script/setup_script.h"
#include "script/tokens.h"
#include "startup/process.h"
#include "wizard/disk_space.h"
#include "wizard/documents.h"
#include "wizard/events.h"
#include "wizard/gates.h"
#include "wizard/images.h"
#include "wizard/messages.h"
#include "wizard/navigation.h"
#include "wizard/size_format.h"
#include "wizard/window.h"
#include "wizard/wizard_state.h"
#include "wizard/fatal.h"

namespace {

// The texts that name the program: "$APPNAME$" and "$APPVERSION$" replaced.
constexpr int kTextsWithMarkers[] = {14, 18, 28, 40};

void LoadEverything(const std::wstring& localizationFile) {
  LoadTexts(localizationFile);
  WizardState& w = Wizard();
  if (!ReadRequiredSpace(Paths().statistics, &w.required)) EndWithKey(1);
  if (DriveSpace(RootOf(TempFolder()), L'f') < w.required) EndWithKey(2);
  ReadSetupScript(Paths().script);
  for (int key : kTextsWithMarkers) SetText(key, ApplyWizardVariables(Text(key)));
  ApplyOperatingSystemGate();
  ApplyFrameworkGate();

  const SetupSettings& s = Settings();
  w.readMeShown = IsFlag(s.readMeRequired, L"1");
  w.licenseShown = IsFlag(s.licenseRequired, L"1");
  if (w.readMeShown) LoadDocument(Paths().readMe, 7, 8, &w.readMe);
  if (w.licenseShown) LoadDocument(Paths().license, 9, 10, &w.license);
  PrepareImages();
  // Everything is in memory now: nothing more is read from the package.
  DeleteTree(Process().workFolder + L"Information\\");
}

void BuildOptions() {
  std::vector<TaskEntry>& tasks = Settings().installTasks;
  for (TaskEntry& task : tasks) task.line = ExpandTextVariables(task.line);
  Wizard().options = BuildFinishOptions(tasks, Settings().installRebootOffered == 1, Text);
}

}  // namespace

void RunWizard(const std::wstring& localizationFile) {
  LoadEverything(localizationFile);
  BuildOptions();
  if (!BuildWizardWindow()) EndWithMessage(wizard_text::kNoWindow);
  FillWizardControls();
  ShowPage(kWelcomePage);
  ui::ShowWindowNow(Wizard().window);
  for (;;) {
    ui::Event e = ui::WaitEvent();
    if (e.type == ui::EventType::kControl) HandleWizardEvent(e.id);
  }
}
