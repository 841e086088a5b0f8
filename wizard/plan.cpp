#include "wizard/plan.h"

#include "common/text.h"
#include "common/toolkit.h"
#include "install/upgrade.h"
#include "startup/process.h"
#include "script/tokens.h"
#include "wizard/controls.h"
#include "wizard/wizard_state.h"

std::wstring DefaultDestination() {
  const SetupSettings& s = Settings();
  // An installed version of the product is replaced where it is.
  const std::wstring earlier = EarlierInstallFolder();
  if (!earlier.empty()) return earlier;
  return text::WithBackslash(text::Trim(s.defaultPath, L" ").empty() ? TokenFolder(0, {}) + s.programName + L"\\"
                                                                       : ExpandTokens(s.defaultPath, {}));
}

std::wstring DefaultGroup() { return TokenFolder(8, {}) + Settings().programName + L"\\"; }

namespace {

InstallPlan Common(const WizardState& w) {
  InstallPlan plan;
  plan.tasks = Settings().installTasks;
  plan.payloadBytes = w.required;
  return plan;
}

}  // namespace

InstallPlan PlanFromWizard(const WizardState& w) {
  InstallPlan plan = Common(w);
  plan.installFolder = text::WithBackslash(text::ReplaceAll(ui::GetText(kDestinationField), L"/", L"\\"));
  plan.createGroup = Settings().createStartMenuGroup == 1 && !w.groupOptedOut;
  plan.groupFolder = text::WithBackslash(ui::GetText(kGroupField));
  return plan;
}

InstallPlan DefaultPlan(const WizardState& w, const std::wstring& folder) {
  InstallPlan plan = Common(w);
  // Folders are made part by part at each backslash: "C:/x" is "C:\\x".
  plan.installFolder = text::ReplaceAll(
      text::Trim(folder).empty() ? DefaultDestination() : text::WithBackslash(text::Trim(folder)), L"/", L"\\");
  plan.createGroup = Settings().createStartMenuGroup == 1;
  plan.groupFolder = DefaultGroup();
  return plan;
}
