#include "wizard/wizard.h"

#include "common/event_queue.h"
#include "common/files.h"
#include "common/log.h"
#include "common/outcome.h"
#include "common/quiet_run.h"
#include "common/text.h"
#include "install/install_procedure.h"
#include "common/system_api.h"
#include "common/toolkit.h"
#include "package/package.h"
#include "script/localization.h"
#include "script/settings.h"
#include "script/setup_script.h"
#include "script/tokens.h"
#include "startup/command_line.h"
#include "startup/process.h"
#include "wizard/disk_space.h"
#include "wizard/documents.h"
#include "wizard/events.h"
#include "wizard/finish.h"
#include "wizard/plan.h"
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

void LoadEverything(WizardState& w, const std::wstring& localizationFile) {
  LoadTexts(localizationFile);
  if (!ReadRequiredSpace(Paths().statistics, &w.required)) EndWithKey(1);
  const uint64_t available = DriveSpace(RootOf(TempFolder()), L'f');
  LogLine(L"space: the files take " + text::DecimalUnsigned(w.required) + L" bytes; the temporary folder's drive has " +
          (available == kUnknownSpace ? std::wstring(L"an unknown number of") : text::DecimalUnsigned(available)) +
          L" bytes free");
  if (available < w.required) EndWithKey(2);
  ReadSetupScript(Paths().script);
  for (int key : kTextsWithMarkers) Process().texts.keys[key] = ApplyWizardVariables(Text(key));
  ApplyOperatingSystemGate();
  ApplyFrameworkGate();

  const SetupSettings& s = Settings();
  w.readMeShown = IsFlag(s.readMeRequired, L"1");
  w.licenseShown = IsFlag(s.licenseRequired, L"1");
  if (w.readMeShown) LoadDocument(Paths().readMe, 7, 8, &w.readMe);
  if (w.licenseShown) LoadDocument(Paths().license, 9, 10, &w.license);
  PrepareImages(w);
  // Everything is in memory now: nothing more is read from the package.
  DeleteTree(Process().workFolder + L"Information\\");
}

// The task lines stay as the script has them (the executor expands each
// once); only the options' texts show their values.
void BuildOptions(WizardState& w) {
  w.options = BuildFinishOptions(Settings().installTasks, Settings().installRebootOffered == 1, Text);
  for (FinishOption& option : w.options) option.text = ExpandTextVariables(option.text);
}

// No window (a passive run: the progress window only): the defaults, the
// folder of the command line, every option the finish page would show
// ticked.
[[noreturn]] void RunUnattended(WizardState& w) {
  const InstallPlan plan = DefaultPlan(w, Process().invocation.folder);
  // A script's default folder that expands to a relative path would be
  // taken from whatever folder is current: refused like such a /D=.
  if (!IsFullFolderPath(plan.installFolder)) {
    NoteOutcome(kFailed);
    LogLine(L"refused: the install folder " + plan.installFolder + L" is not a full path");
    CleanUp(0);
  }
  const uint64_t available = DriveSpace(RootOf(plan.installFolder), L'f');
  LogLine(L"destination: " + plan.installFolder + L", its drive has " +
          (available == kUnknownSpace ? std::wstring(L"an unknown number of") : text::DecimalUnsigned(available)) +
          L" bytes free");
  if (available != kUnknownSpace && available < plan.payloadBytes) EndWithKey(2);
  if (Process().invocation.passive) OpenPassiveProgress(w);
  EndInstallation(InstallProcedure(plan, w.run), w.run);
  std::vector<const FinishOption*> all;
  for (const FinishOption& option : w.options) all.push_back(&option);
  CompleteInstallation(w.run, all);
}

}  // namespace

void RunWizard(const std::wstring& localizationFile) {
  // Never destroyed: every end of the run comes from within the wizard.
  WizardState w;
  LoadEverything(w, localizationFile);
  BuildOptions(w);
  if (ui::Quiet()) RunUnattended(w);
  if (!BuildWizardWindow(w)) EndWithMessage(wizard_text::kNoWindow);
  FillWizardControls(w);
  ShowPage(w, kWelcomePage);
  ui::ShowWindowNow(w.window);
  for (;;) {
    ui::Event e = ui::WaitEvent();
    if (e.type == ui::EventType::kControl) HandleWizardEvent(w, e.id);
  }
}
