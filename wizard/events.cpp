#include "wizard/events.h"

#include "common/prelude.h"
#include <shellapi.h>
#include <shlobj.h>

#include "common/text.h"
#include "common/toolkit.h"
#include "install/install_procedure.h"
#include "script/localization.h"
#include "script/settings.h"
#include "script/tokens.h"
#include "startup/process.h"
#include "common/outcome.h"
#include "common/system_api.h"
#include "install/user_start.h"
#include "wizard/controls.h"
#include "wizard/disk_space.h"
#include "wizard/finish.h"
#include "wizard/navigation.h"
#include "wizard/plan.h"
#include "wizard/size_format.h"
#include "wizard/window.h"
#include "wizard/wizard_state.h"

namespace {

PageChoice Choice() {
  const SetupSettings& s = Settings();
  return {Wizard().licenseShown, Wizard().readMeShown, s.createStartMenuGroup == 1 && !Wizard().groupOptedOut};
}

void ConfirmCancel() {
  if (ui::Message(Text(66), Text(65), ui::kConfirm) != IDYES) return;
  NoteOutcome(kCancelled);
  CleanUp(0);
}

void Next() {
  NextResult r = NextFrom(Wizard().page, Choice(), ui::GetText(kDestinationField));
  switch (r.step) {
    case NextStep::kShowPage:
      ShowPage(r.page);
      break;
    case NextStep::kWarnUnusableDestination:
      ui::Message(Text(68), Text(67), ui::kErrorIcon);
      break;
    case NextStep::kInstall:
      ShowPage(kInstallPage);
      ui::Enable(kNextButton, false);
      ui::Enable(kPreviousButton, false);
      EndInstallation(InstallProcedure(PlanFromWizard(), Wizard().run), Wizard().run);
      ShowPage(kFinishPage);
      break;
    case NextStep::kNothing:
      break;
  }
}

void Previous() {
  int page = PreviousFrom(Wizard().page, Choice());
  if (page >= 0) ShowPage(page);
}

void OpenAddress(const std::wstring& address) {
  SHELLEXECUTEINFOW sei = {};
  sei.cbSize = sizeof sei;
  sei.lpFile = address.c_str();
  sei.nShow = SW_SHOWNORMAL;
  StartForUser(&sei);
}

int CALLBACK BrowseStart(HWND dialog, UINT msg, LPARAM, LPARAM start) {
  if (msg == BFFM_INITIALIZED) SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, start);
  return 0;
}

// The shell's folder browser; the chosen folder with a trailing "\", or "".
std::wstring RequestFolder(const std::wstring& title, const std::wstring& start) {
  OleInitialize(nullptr);
  BROWSEINFOW bi = {};
  bi.hwndOwner = Wizard().window;
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

void Browse() {
  std::wstring folder = text::Trim(RequestFolder(Text(69), TokenFolder(0, {})), L" ");
  if (folder.empty() || folder == L"\\") return;
  folder = text::WithBackslash(folder);
  ui::SetText(kDestinationField, folder);
  Wizard().available = DriveSpace(RootOf(folder), L'f');
  RefreshSpaceTexts();
}

void OptOut() {
  bool ticked = ui::IsChecked(kGroupOptOut);
  ui::Enable(kGroupList, !ticked);
  Wizard().groupOptedOut = ticked;
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

void HandleWizardEvent(int control) {
  switch (control) {
    case kCancelButton: ConfirmCancel(); break;
    case kNextButton: Next(); break;
    case kPreviousButton: Previous(); break;
    case kWebsiteLink: OpenAddress(Settings().website); break;
    case kFinishButton: Finish(); break;
    case kLicenseBox: ui::Enable(kNextButton, ui::IsChecked(kLicenseBox)); break;
    case kBrowseButton: Browse(); break;
    case kGroupOptOut: OptOut(); break;
    case kGroupList: ChooseGroup(); break;
    default: break;
  }
}
