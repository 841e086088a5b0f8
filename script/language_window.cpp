// The language selection window, shown when a package does not carry
// exactly one usable localization file.
#include "common/event_queue.h"
#include "common/handles.h"
#include "common/message_box.h"
#include "common/quiet_run.h"
#include "common/text.h"
#include "common/toolkit.h"
#include "package/messages.h"
#include "script/languages.h"
#include "script/messages.h"
#include "startup/builtin_images.h"
#include "startup/process.h"
#include "common/outcome.h"
#include "common/log.h"
#include "common/system_api.h"
#include "script/localization.h"

namespace {

enum : int { kPrompt = 2000, kCancelButton = 2001, kOkButton = 2002, kList = 2003, kIcon = 2004 };

std::wstring Comparable(const std::wstring& name) { return text::Lower(text::Trim(name, L" ")); }

}  // namespace

namespace {

// The English and the own name of the system's user-interface language.
std::vector<std::wstring> SystemLanguageNames() {
  std::vector<std::wstring> names;
  const LCID locale = MAKELCID(UserInterfaceLanguage(), SORT_DEFAULT);
  for (LCTYPE type : {LOCALE_SENGLANGUAGE, LOCALE_SNATIVELANGNAME}) {
    wchar_t name[128] = {};
    if (GetLocaleInfoW(locale, type, name, 128)) names.push_back(name);
  }
  return names;
}

}  // namespace

std::wstring SelectLanguage(const std::vector<Language>& languages) {
  if (ui::Quiet() && !languages.empty()) {
    std::vector<std::wstring> names;
    for (const Language& language : languages) names.push_back(language.name);
    const Language& chosen = languages[PreferredLanguage(names, SystemLanguageNames())];
    LogLine(L"language: " + chosen.name + L" (" + text::FilePart(chosen.path) + L")");
    return chosen.path;
  }
  HWND w = ui::OpenWindow(script_text::kLanguageTitle, 329, 112, DWORD(ui::Style::kTitleOnly));
  bool built = w && ui::AddControl(w, {kPrompt, ui::Kind::kText, 45, 9, 274, 38, script_text::kLanguagePrompt}) &&
               ui::AddControl(w, {kCancelButton, ui::Kind::kButton, 74, 86, 89, 22, script_text::kCancel}) &&
               ui::AddControl(w, {kOkButton, ui::Kind::kDefaultButton, 163, 86, 89, 22, script_text::kOk}) &&
               ui::AddControl(w, {kList, ui::Kind::kDropList, 11, 55, 308, 600}) &&
               ui::AddControl(w, {kIcon, ui::Kind::kImage, 8, 7, 32, 32});
  if (languages.empty()) {
    NoteOutcome(kFailed);
    ui::Message(script_text::kNoLanguage, script_text::kErrorTitle, ui::kErrorIcon);
    CleanUp(0);
  }
  if (!built) return std::wstring();  // no window: the run ends as for a corrupted package

  HWND list = ui::Control(kList);
  size_t preselected = 0;
  for (size_t i = 0; i < languages.size(); ++i) {
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(languages[i].name.c_str()));
    if (text::Lower(languages[i].name) == L"english") preselected = i;
  }
  SendMessageW(list, CB_SETCURSEL, preselected, 0);
  ScopedIcon box(CreateBoxIcon());
  ui::SetIcon(kIcon, box.get());
  ui::SetDialogButtons(w, kOkButton, kCancelButton);
  ui::ShowWindowNow(w);
  SetFocus(list);

  for (;;) {
    ui::Event e = ui::WaitEvent();
    if (e.type != ui::EventType::kControl) continue;
    if (e.id == kCancelButton) {
      if (ui::Message(package_text::kConfirmStop, package_text::kConfirmTitle, ui::kConfirm) == IDYES) {
        NoteOutcome(kCancelled);
        ui::Close(w);
        CleanUp(0);
      }
    } else if (e.id == kOkButton) {
      LRESULT index = SendMessageW(list, CB_GETCURSEL, 0, 0);
      std::wstring chosen;
      if (index != CB_ERR) {
        LRESULT length = SendMessageW(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
        chosen.resize(static_cast<size_t>(length > 0 ? length : 0) + 1);
        SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&chosen[0]));
        chosen.resize(static_cast<size_t>(length > 0 ? length : 0));
      }
      ui::Close(w);
      for (const Language& language : languages)
        if (Comparable(language.name) == Comparable(chosen)) return language.path;
      return std::wstring();
    }
  }
}
