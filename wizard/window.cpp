#include "wizard/window.h"

#include "common/prelude.h"
#include <commctrl.h>

#include "common/control_colors.h"
#include "common/progress_window.h"
#include "common/system_api.h"
#include "common/text.h"
#include "common/toolkit.h"
#include "install/install_state.h"
#include "script/localization.h"
#include "script/settings.h"
#include "script/tokens.h"
#include "startup/process.h"
#include "wizard/controls.h"
#include "wizard/plan.h"
#include "wizard/disk_space.h"
#include "wizard/images.h"
#include "wizard/rich_text.h"
#include "wizard/size_format.h"
#include "wizard/wizard_state.h"

namespace {

using ui::Kind;

constexpr int kClientWidth = 491, kClientHeight = 358;
constexpr int kNoText = -1;

struct Placed {
  int id;
  int parent;  // a page container, or -1 for the window itself
  Kind kind;
  int x, y, width, height;
  int textKey;
  DWORD style;
  DWORD exStyle;
};

// Every control of the wizard, in creation order, which is also the order
// the Tab key walks (reading order: a page's controls top to bottom, then
// the buttons left to right) and the order in which a screen reader finds
// the label before a field. Page controls are placed relative to their
// page container.
constexpr Placed kLayout[] = {
    // the pages
    {kWelcomeContainer, -1, Kind::kContainer, 0, 0, 491, 310, kNoText, 0, 0},
    {kLicenseContainer, -1, Kind::kContainer, 0, 0, 491, 310, kNoText, 0, 0},
    {kReadMeContainer, -1, Kind::kContainer, 0, 0, 491, 310, kNoText, 0, 0},
    {kDestinationContainer, -1, Kind::kContainer, 0, 0, 491, 310, kNoText, 0, 0},
    {kGroupContainer, -1, Kind::kContainer, 0, 0, 491, 310, kNoText, 0, 0},
    {kInstallContainer, -1, Kind::kContainer, 0, 0, 491, 310, kNoText, 0, 0},
    {kFinishContainer, -1, Kind::kContainer, 0, 0, 491, 310, kNoText, 0, 0},
    {kSeparator, -1, Kind::kBitmap, 0, 310, 495, 2, kNoText, 0, 0},
    {kWebsiteLink, -1, Kind::kLink, 9, 327, 0, 20, kNoText, 0, 0},
    {kPreviousButton, -1, Kind::kButton, 238, 323, 76, 22, 26, 0, 0},
    {kNextButton, -1, Kind::kDefaultButton, 314, 323, 76, 22, 25, 0, 0},
    {kCancelButton, -1, Kind::kButton, 403, 323, 76, 22, 24, 0, 0},
    {kFinishButton, -1, Kind::kDefaultButton, 403, 323, 76, 22, 27, 0, 0},
    // 0 welcome
    {kWelcomeBitmap, kWelcomeContainer, Kind::kBitmap, 0, 0, 155, 310, kNoText, 0, 0},
    {kWelcomeTitle, kWelcomeContainer, Kind::kText, 162, 26, 322, 89, 28, 0, 0},
    {kLegalNotice, kWelcomeContainer, Kind::kText, 161, 231, 325, 73, 29, 0, 0},
    {kWelcomeText, kWelcomeContainer, Kind::kText, 161, 150, 324, 60, 30, 0, 0},
    {kWelcomeWhite, kWelcomeContainer, Kind::kBitmap, 0, 0, 496, 310, kNoText, WS_CLIPSIBLINGS, 0},
    // 1 licence
    {kLicenseHeader, kLicenseContainer, Kind::kBitmap, 0, 0, 500, 60, kNoText, 0, 0},
    {kLicenseLabel, kLicenseContainer, Kind::kText, 16, 76, 0, 0, 13, 0, 0},
    {kLicenseText, kLicenseContainer, Kind::kRichText, 16, 76, 456, 200, kNoText, 0, WS_EX_STATICEDGE},
    {kLicenseBox, kLicenseContainer, Kind::kCheckBox, 15, 285, 456, 15, 31, 0, 0},
    // 2 read-me
    {kReadMeHeader, kReadMeContainer, Kind::kBitmap, 0, 0, 500, 60, kNoText, 0, 0},
    {kReadMeLabel, kReadMeContainer, Kind::kText, 16, 76, 0, 0, 15, 0, 0},
    {kReadMeText, kReadMeContainer, Kind::kRichText, 16, 76, 456, 215, kNoText, 0, WS_EX_STATICEDGE},
    // 3 destination
    {kDestinationHeader, kDestinationContainer, Kind::kBitmap, 0, 0, 500, 60, kNoText, 0, 0},
    {kDestinationIcon, kDestinationContainer, Kind::kImage, 32, 91, 32, 32, kNoText, 0, 0},
    {kDestinationFrame, kDestinationContainer, Kind::kGroupFrame, 12, 71, 468, 60, 32, 0, 0},
    {kDestinationField, kDestinationContainer, Kind::kEdit, 82, 96, 317, 21, kNoText, 0, WS_EX_CLIENTEDGE},
    {kBrowseButton, kDestinationContainer, Kind::kButton, 405, 95, 68, 22, 33, 0, 0},
    {kAvailableSpace, kDestinationContainer, Kind::kText, 14, 145, 466, 16, kNoText, 0, 0},
    {kRequiredSpace, kDestinationContainer, Kind::kText, 14, 169, 466, 15, kNoText, 0, 0},
    // 4 Start-menu group
    {kGroupHeader, kGroupContainer, Kind::kBitmap, 0, 0, 500, 60, kNoText, 0, 0},
    {kGroupIcon, kGroupContainer, Kind::kImage, 30, 80, 32, 32, kNoText, 0, 0},
    {kGroupField, kGroupContainer, Kind::kEdit, 30, 146, 430, 20, kNoText, WS_DISABLED, WS_EX_CLIENTEDGE},
    {kGroupText, kGroupContainer, Kind::kText, 75, 80, 385, 60, 36, 0, 0},
    {kGroupList, kGroupContainer, Kind::kListBox, 30, 175, 430, 80, kNoText, 0, 0},
    {kGroupOptOut, kGroupContainer, Kind::kCheckBox, 30, 270, 425, 15, 37, 0, 0},
    // 5 installation
    {kInstallHeader, kInstallContainer, Kind::kBitmap, 0, 0, 500, 60, kNoText, 0, 0},
    {kInstallText, kInstallContainer, Kind::kText, 15, 70, 452, 44, 38, 0, 0},
    {kStatusLine, kInstallContainer, Kind::kText, 15, 115, 459, 30, 39, SS_NOPREFIX, 0},
    {kProgressBar, kInstallContainer, Kind::kProgress, 15, 150, 460, 20, kNoText, 0, 0},
    // 6 finish
    {kFinishBitmap, kFinishContainer, Kind::kBitmap, 0, 0, 155, 310, kNoText, 0, 0},
    {kFinishTitle, kFinishContainer, Kind::kText, 161, 26, 322, 73, 40, 0, 0},
    {kFinishOptions, kFinishContainer, Kind::kCheckTree, 161, 80, 322, 155, kNoText, 0, 0},
    {kFinishText, kFinishContainer, Kind::kText, 161, 255, 322, 49, 41, 0, 0},
    {kFinishWhite, kFinishContainer, Kind::kBitmap, 0, 0, 496, 310, kNoText, WS_CLIPSIBLINGS, 0},
};

// Controls that sit on the white page.
constexpr int kOnWhite[] = {kWelcomeTitle, kLegalNotice, kWelcomeText, kFinishTitle, kFinishText};

std::wstring WindowTitle() {
  const SetupSettings& s = Settings();
  return s.programName + L" v." + s.programVersion + L" :: Setup";
}

HFONT UnderlinedGuiFont() {
  static HFONT font = nullptr;
  if (font) return font;
  LOGFONTW lf = {};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
  lf.lfUnderline = TRUE;
  return font = CreateFontIndirectW(&lf);
}

// The link's width, in 1/96 inch: the website text measured with the
// screen's default font, and never narrower than the text in the link's
// own font (the screen's default font need not grow with the DPI).
int LinkWidth(const std::wstring& website) {
  HDC screen = GetDC(nullptr);
  SIZE size = {}, own = {};
  const int length = static_cast<int>(website.size());
  GetTextExtentPoint32W(screen, website.c_str(), length, &size);
  HGDIOBJ old = SelectObject(screen, UnderlinedGuiFont());
  GetTextExtentPoint32W(screen, website.c_str(), length, &own);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  const int width = own.cx > size.cx ? own.cx : size.cx, dpi = SystemDpi();
  return dpi == 96 ? width : MulDiv(width, 96, dpi);
}

}  // namespace

bool BuildWizardWindow(WizardState& w) {
  const wchar_t* richText = LoadRichTextClass();
  if (!richText) return false;
  HWND window = ui::OpenWindow(WindowTitle(), kClientWidth, kClientHeight,
                               WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN);
  if (!window) return false;
  w.window = window;
  for (const Placed& p : kLayout) {
    HWND parent = p.parent < 0 ? window : ui::Control(p.parent);
    std::wstring label = p.textKey == kNoText ? std::wstring() : Text(p.textKey);
    if (p.id == kWebsiteLink) label = Settings().website;
    int width = p.id == kWebsiteLink ? LinkWidth(label) : p.width;
    ui::ControlSpec record = {p.id, p.kind, p.x, p.y, width, p.height, label.c_str(), p.style, p.exStyle};
    if (p.kind == Kind::kRichText) record.windowClass = richText;
    HWND control = ui::AddControl(parent, record);
    if (!control) return false;
    if (p.kind == Kind::kContainer) ShowWindow(control, SW_HIDE);
  }
  // The white pages lie under everything else on their page.
  SetWindowPos(ui::Control(kWelcomeWhite), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SetWindowPos(ui::Control(kFinishWhite), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EnableMenuItem(GetSystemMenu(window, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
  return true;
}

namespace {

void FillDestination(WizardState& w) {
  const SetupSettings& s = Settings();
  const std::wstring destination = DefaultDestination();
  ui::SetText(kDestinationField, destination);
  w.available = DriveSpace(RootOf(destination), L'f');
  if (s.pathChangeable == 0) {
    ui::Enable(kDestinationField, false);
    ui::Enable(kBrowseButton, false);
  }
}

void FillGroups() {
  HWND list = ui::Control(kGroupList);
  SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L""));
  const std::wstring programs = TokenFolder(8, {});
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW((programs + L"*.*").c_str(), &fd);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = fd.cFileName;
      if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..")
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    } while (FindNextFileW(find, &fd));
    FindClose(find);
  }
  ui::SetText(kGroupField, DefaultGroup());
}

void FillFinishOptions(WizardState& w) {
  HWND tree = ui::Control(kFinishOptions);
  SendMessageW(tree, TVM_SETBKCOLOR, 0, RGB(255, 255, 255));
  for (const FinishOption& option : w.options) {
    TVINSERTSTRUCTW insert = {};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<wchar_t*>(option.text.c_str());
    auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    TVITEMW ticked = {};
    ticked.mask = TVIF_STATE;
    ticked.hItem = item;
    ticked.stateMask = TVIS_STATEIMAGEMASK;
    ticked.state = INDEXTOSTATEIMAGEMASK(2);
    SendMessageW(tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&ticked));
    w.optionItems.push_back(item);
  }
  if (w.options.empty()) ui::Show(kFinishOptions, false);
  // The first option is selected, so that Space ticks it from the keyboard.
  else SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(w.optionItems.front()));
}

void SetSpaceTexts(const WizardState& w) {
  ui::SetText(kAvailableSpace, Text(34) + L" " + SpaceText(w.available));
  ui::SetText(kRequiredSpace, Text(35) + L" " + SpaceText(w.required));
}

}  // namespace

void FillWizardControls(WizardState& w) {
  ShowDocument(ui::Control(kLicenseText), w.license);
  ShowDocument(ui::Control(kReadMeText), w.readMe);

  ui::SetBitmap(kWelcomeBitmap, w.wizardBitmap);
  ui::SetBitmap(kFinishBitmap, w.wizardBitmap);
  ui::SetBitmap(kWelcomeWhite, w.whitePage);
  ui::SetBitmap(kFinishWhite, w.whitePage);
  ShowDrawnImages(ui::Dpi(w.window));
  ui::OnDpiChange(w.window, ShowDrawnImages);
  ui::SetIcon(kDestinationIcon, w.folder);
  ui::SetIcon(kGroupIcon, w.group);

  ui::SetFont(kWelcomeTitle, w.fonts[0]);
  ui::SetFont(kFinishTitle, w.fonts[0]);
  ui::SetFont(kLegalNotice, w.fonts[1]);
  for (int id : kOnWhite) ui::SetColors(id, GetSysColor(COLOR_WINDOWTEXT), w.white);

  if (text::Trim(Settings().website, L" ").empty()) ui::Show(kWebsiteLink, false);
  ui::SetFont(kWebsiteLink, UnderlinedGuiFont());
  ui::MakeLink(kWebsiteLink, RGB(0, 0, 192), RGB(0, 0, 0));

  FillDestination(w);
  SetSpaceTexts(w);
  FillGroups();
  ui::Show(kFinishButton, false);
  if (Settings().offerGroupOptOut == 0) ui::Show(kGroupOptOut, false);
  FillFinishOptions(w);
}

void OpenPassiveProgress(const WizardState& w) {
  OpenSmallProgressWindow({WindowTitle(), Text(39), w.box, kPassiveIcon, kStatusLine, kProgressBar, 0,
                           nullptr});
}

void RefreshSpaceTexts(const WizardState& w) { SetSpaceTexts(w); }
