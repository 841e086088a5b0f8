#include "wizard/events.h"

#include "common/prelude.h"
#include <shellapi.h>
#include <shlobj.h>

#include "common/message_box.h"
#include "common/text.h"
#include "common/toolkit.h"
#include "install/install_procedure.h"
#include "script/localization.h"
#include "script/settings.h"
#include "script/tokens.h"
#include "startup/process.h"
#include "common/outcome.h"
#include "common/system_api.h"
#include "install/shared/program_start.h"
#include "wizard/controls.h"
#include "wizard/disk_space.h"
#include "wizard/finish.h"
#include "wizard/navigation.h"
#include "wizard/plan.h"
#include "wizard/size_format.h"
#include "wizard/window.h"
#include "wizard/wizard_state.h"

namespace {

PageChoice Choice(const WizardState& w) {
  const SetupSettings& s = Settings();
  return {w.licenseShown, w.readMeShown, s.createStartMenuGroup == 1 && !w.groupOptedOut};
}

void ConfirmCancel() {
  if (ui::Message(Text(66), Text(65), ui::kConfirm) != IDYES) return;
  NoteOutcome(kCancelled);
  CleanUp(0);
}

void Next(WizardState& w) {
  NextResult r = NextFrom(w.page, Choice(w), ui::GetText(kDestinationField));
  switch (r.step) {
    case NextStep::kShowPage:
      ShowPage(w, r.page);
      break;
    case NextStep::kWarnUnusableDestination:
      ui::Message(Text(68), Text(67), ui::kErrorIcon);
      break;
    case NextStep::kInstall:
      ShowPage(w, kInstallPage);
      ui::Enable(kNextButton, false);
      ui::Enable(kPreviousButton, false);
      EndInstallation(InstallProcedure(PlanFromWizard(w), w.run), w.run);
      ShowPage(w, kFinishPage);
      break;
    case NextStep::kNothing:
      break;
  }
}

void Previous(WizardState& w) {
  int page = PreviousFrom(w.page, Choice(w));
  if (page >= 0) ShowPage(w, page);
}

void OpenAddress(const std::wstring& address) {
  ProgramStart page{address, L"", L"", StartWay::kShell};
  page.asUser = true;
  StartProgram(page);
}

int CALLBACK BrowseStart(HWND dialog, UINT msg, LPARAM, LPARAM start) {
  if (msg == BFFM_INITIALIZED) SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, start);
  return 0;
}

// The shell's folder browser; the chosen folder with a trailing "\", or "".
std::wstring RequestFolder(HWND owner, const std::wstring& title, const std::wstring& start) {
  OleInitialize(nullptr);
  BROWSEINFOW bi = {};
  bi.hwndOwner = owner;
  bi.lpszTitle = title.c_str();
  bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  bi.lpfn = BrowseStart;
  bi.lParam = reinterpret_cast<LPARAM>(start.c_str());
  std::wstring chosen;
  if (LPITEMIDLIST list = BrowseForFolder(&bi)) {
    wchar_t path[MAX_PATH] = {};
    if (PathOfIdList(list, path)) chosen = text::WithBackslash(path);
    CoTaskMemFree(list);
  }
  OleUninitialize();
  return chosen;
}

void Browse(WizardState& w) {
  std::wstring folder = text::Trim(RequestFolder(w.window, Text(69), TokenFolder(0, {})), L" ");
  if (folder.empty() || folder == L"\\") return;
  folder = text::WithBackslash(folder);
  ui::SetText(kDestinationField, folder);
  w.available = DriveSpace(RootOf(folder), L'f');
  RefreshSpaceTexts(w);
}

void OptOut(WizardState& w) {
  bool ticked = ui::IsChecked(kGroupOptOut);
  ui::Enable(kGroupList, !ticked);
  w.groupOptedOut = ticked;
}

void ChooseGroup() {
  HWND list = ui::Control(kGroupList);
  LRESULT index = SendMessageW(list, LB_GETCURSEL, 0, 0);
  if (index == LB_ERR) return;
  const std::wstring base = TokenFolder(8, {});
  const std::wstring& name = Settings().programName;
  if (index == 0) {
    ui::SetText(kGroupField, base + name + L"\\");
    return;
  }
  LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  std::wstring entry(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
  SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&entry[0]));
  entry.resize(static_cast<size_t>(length > 0 ? length : 0));
  ui::SetText(kGroupField, base + entry + L"\\" + name + L"\\");
}

}  // namespace

void HandleWizardEvent(WizardState& w, int control) {
  switch (control) {
    case kCancelButton: ConfirmCancel(); break;
    case kNextButton: Next(w); break;
    case kPreviousButton: Previous(w); break;
    case kWebsiteLink: OpenAddress(Settings().website); break;
    case kFinishButton: Finish(w); break;
    case kLicenseBox: ui::Enable(kNextButton, ui::IsChecked(kLicenseBox)); break;
    case kBrowseButton: Browse(w); break;
    case kGroupOptOut: OptOut(w); break;
    case kGroupList: ChooseGroup(); break;
    default: break;
  }
}
