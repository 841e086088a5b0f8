#include "common/toolkit.h"

#include <commctrl.h>

#include <vector>

#include "common/control_colors.h"
#include "common/event_queue.h"
#include "common/quiet_run.h"
#include "common/system_api.h"

namespace ui {

namespace {

constexpr wchar_t kWindowClass[] = L"TarnwickWindow";
constexpr wchar_t kDefaultButtonProp[] = L"TarnwickDefault";
constexpr wchar_t kCancelButtonProp[] = L"TarnwickCancel";

struct Registered {
  int id;
  HWND hwnd;
  HWND topLevel;
  // The record's place in 1/96 inch, and the font and image as given; a
  // window of another DPI shows copies made for it (`shown`, the toolkit's).
  int x = 0, y = 0, width = 0, height = 0;
  HFONT font = nullptr;  // null: the GUI font
  HANDLE image = nullptr;
  UINT imageType = IMAGE_BITMAP;  // or IMAGE_ICON
  int imageDpi = 96;
  HANDLE shown = nullptr;
};

// A top-level window: its client size in 1/96 inch, and the DPI it is laid
// out for.
struct TopLevel {
  HWND hwnd;
  int width, height;
  DWORD style;
  int dpi;
  void (*redraw)(int dpi);
};

// Fonts made for the system DPI, made again for other DPIs.
struct ScaledFont {
  HFONT source;
  int dpi;
  HFONT font;
};

constexpr UINT kDpiChanged = 0x02E0;  // WM_DPICHANGED

HINSTANCE g_module = nullptr;
int g_systemDpi = 96;
ScaledFont g_fonts[16];  // a few fonts at a few DPIs
int g_fontCount = 0;

// A read-only document (the rich-text kind) is read with the arrow keys; it
// leaves Tab, Enter and Escape to the window, so that the keyboard can move
// on (a multi-line control would keep Tab for itself).
WNDPROC g_documentProc = nullptr;
LRESULT CALLBACK DocumentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT r = CallWindowProcW(g_documentProc, hwnd, msg, wParam, lParam);
  if (msg != WM_GETDLGCODE) return r;
  r &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS | DLGC_WANTTAB);
  const auto* m = reinterpret_cast<const MSG*>(lParam);
  if (m && m->message == WM_KEYDOWN && (m->wParam == VK_TAB || m->wParam == VK_RETURN || m->wParam == VK_ESCAPE))
    r &= ~static_cast<LRESULT>(DLGC_WANTMESSAGE);
  return r;
}

std::vector<Registered>* g_controls = nullptr;
std::vector<TopLevel>* g_windows = nullptr;

TopLevel* FindTopLevel(HWND window) {
  for (TopLevel& t : *g_windows)
    if (t.hwnd == window) return &t;
  return nullptr;
}

// The window itself, or the top-level window of a control.
TopLevel* TopLevelOf(HWND hwnd) {
  for (const Registered& c : *g_controls)
    if (c.hwnd == hwnd) return FindTopLevel(c.topLevel);
  return FindTopLevel(hwnd);
}

Registered* Find(int id) {
  for (size_t i = g_controls->size(); i-- > 0;)
    if ((*g_controls)[i].id == id) return &(*g_controls)[i];
  return nullptr;
}

void Discard(HANDLE image, UINT type) {
  if (!image) return;
  if (type == IMAGE_ICON) DestroyIcon(static_cast<HICON>(image));
  else DeleteObject(image);
}

int IconWidth(HICON icon) {
  ICONINFO info = {};
  if (!GetIconInfo(icon, &info)) return 0;
  BITMAP bm = {};
  GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  return bm.bmWidth;
}

// Shows the control's image as given, or a copy made for the DPI: an icon
// at the control's size (from the program's resources where it came from
// there), a bitmap scaled from the DPI it was made for.
void ShowImage(Registered& c, int dpi) {
  HANDLE copy = nullptr;
  if (c.image && c.imageType == IMAGE_ICON) {
    const int width = Scale(c.width, dpi), height = Scale(c.height, dpi);
    if (IconWidth(static_cast<HICON>(c.image)) != width) {
      copy = CopyImage(c.image, IMAGE_ICON, width, height, LR_COPYFROMRESOURCE);
      if (!copy) copy = CopyImage(c.image, IMAGE_ICON, width, height, 0);
    }
  } else if (c.image && c.imageDpi != dpi) {
    copy = ScaledBitmap(static_cast<HBITMAP>(c.image), c.imageDpi, dpi);
  }
  HANDLE old = c.shown;
  c.shown = copy;
  SendMessageW(c.hwnd, STM_SETIMAGE, c.imageType, reinterpret_cast<LPARAM>(copy ? copy : c.image));
  Discard(old, c.imageType);
}

void SetImage(int id, HANDLE image, UINT type, int madeFor) {
  Registered* c = Find(id);
  if (!c) return;
  const HANDLE old = c->shown;
  const UINT oldType = c->imageType;
  c->shown = nullptr;
  c->image = image;
  c->imageType = type;
  c->imageDpi = madeFor;
  ShowImage(*c, Dpi(c->topLevel));
  Discard(old, oldType);
}

// Lays a window and its controls out for a DPI: the outer size for the
// client size, at the place the system suggests (else where it is).
void LayOut(TopLevel& t, int dpi, const RECT* suggested) {
  t.dpi = dpi;
  RECT r = {0, 0, Scale(t.width, dpi), Scale(t.height, dpi)};
  WindowRectForDpi(&r, t.style, 0, dpi);
  RECT now = {};
  GetWindowRect(t.hwnd, &now);
  const RECT& at = suggested ? *suggested : now;
  SetWindowPos(t.hwnd, nullptr, at.left, at.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
  // A frame that keeps its size (Wine scales no frames): the client area
  // gets its size all the same.
  RECT client = {};
  GetClientRect(t.hwnd, &client);
  const int wider = Scale(t.width, dpi) - client.right, higher = Scale(t.height, dpi) - client.bottom;
  if (wider || higher)
    SetWindowPos(t.hwnd, nullptr, 0, 0, r.right - r.left + wider, r.bottom - r.top + higher,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  for (Registered& c : *g_controls) {
    if (c.topLevel != t.hwnd) continue;
    SetWindowPos(c.hwnd, nullptr, Scale(c.x, dpi), Scale(c.y, dpi), Scale(c.width, dpi), Scale(c.height, dpi),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(c.font, dpi)), FALSE);
    if (c.image) ShowImage(c, dpi);
  }
  if (t.redraw) t.redraw(dpi);
  RedrawWindow(t.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

bool IsClickNotification(HWND control, int code) {
  wchar_t cls[32] = {};
  GetClassNameW(control, cls, 32);
  if (!lstrcmpiW(cls, L"Button")) return code == BN_CLICKED;
  if (!lstrcmpiW(cls, L"ListBox")) return code == LBN_SELCHANGE;
  if (!lstrcmpiW(cls, L"ComboBox")) return code == CBN_SELCHANGE;
  if (!lstrcmpiW(cls, L"Static")) return code == STN_CLICKED;
  return false;
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case kDpiChanged:
      // The window moved to a monitor of another DPI (the system's message:
      // the new DPI and the suggested place).
      if (TopLevel* t = FindTopLevel(hwnd)) {
        LayOut(*t, HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return 0;
      }
      break;
    case WM_COMMAND: {
      HWND control = reinterpret_cast<HWND>(lParam);
      int id = LOWORD(wParam), code = HIWORD(wParam);
      // Commands without a control (the dialog manager's own) press nothing:
      // Enter and Escape are handled before it sees them.
      if (control && IsClickNotification(control, code)) {
        PushEvent({EventType::kControl, id, code});
      }
      return 0;
    }
    case WM_CLOSE:
      PushEvent({EventType::kCloseWindow, 0, 0});
      return 0;  // closing is the program's decision, never the window's
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
      return ControlColors(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), hwnd, msg, wParam, lParam);
    case DM_GETDEFID: {
      HANDLE prop = GetPropW(TopWindowOf(hwnd), kDefaultButtonProp);
      if (prop) return MAKELRESULT(reinterpret_cast<INT_PTR>(prop) - 1, DC_HASDEFID);
      break;
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// Enter and Escape are the window's own, not the dialog manager's: it
// would send them as the commands of controls numbered 1 and 2 (IDOK and
// IDCANCEL), which here are other buttons. Escape presses the cancel
// button, Enter the focused push button or else the default button, each
// only when it can be pressed; a control that wants the key gets it.
bool DialogKey(HWND top, const MSG* m) {
  if (m->message != WM_KEYDOWN || (m->wParam != VK_ESCAPE && m->wParam != VK_RETURN)) return false;
  HWND focus = GetFocus();
  const LRESULT wants =
      focus ? SendMessageW(focus, WM_GETDLGCODE, m->wParam, reinterpret_cast<LPARAM>(m)) : 0;
  if (wants & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) return false;
  if (m->wParam == VK_RETURN && (wants & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) && IsWindowEnabled(focus)) {
    PushEvent({EventType::kControl, GetDlgCtrlID(focus), BN_CLICKED});
    return true;
  }
  const wchar_t* prop = m->wParam == VK_RETURN ? kDefaultButtonProp : kCancelButtonProp;
  if (HANDLE stored = GetPropW(top, prop)) {
    const int button = static_cast<int>(reinterpret_cast<INT_PTR>(stored)) - 1;
    HWND control = Control(button);
    if (control && IsWindowVisible(control) && IsWindowEnabled(control))
      PushEvent({EventType::kControl, button, BN_CLICKED});
  }
  return true;  // taken, whether a button could be pressed or not
}

// Texts come from the setup script and the localization file and are shown
// as written: an "&" is no mnemonic. Static controls carry SS_NOPREFIX;
// buttons, check boxes and frames have no such style, so the "&" is doubled.
std::wstring ShownAsWritten(const wchar_t* cls, const wchar_t* text) {
  std::wstring shown = text ? text : L"";
  if (lstrcmpiW(cls, L"Button") != 0) return shown;
  std::wstring doubled;
  for (wchar_t c : shown) {
    doubled += c;
    if (c == L'&') doubled += L'&';
  }
  return doubled;
}
std::wstring ShownAsWritten(const wchar_t* cls, const std::wstring& text) { return ShownAsWritten(cls, text.c_str()); }

const wchar_t* ClassFor(Kind kind) {
  switch (kind) {
    case Kind::kButton:
    case Kind::kDefaultButton:
    case Kind::kCheckBox:
    case Kind::kGroupFrame:
      return L"Button";
    case Kind::kText:
    case Kind::kImage:
    case Kind::kBitmap:
      return L"Static";
    case Kind::kProgress:
      return PROGRESS_CLASSW;
    case Kind::kDropList:
      return L"ComboBox";
    case Kind::kListBox:
      return L"ListBox";
    case Kind::kEdit:
      return L"Edit";
    case Kind::kContainer:
      return kWindowClass;
    case Kind::kRichText:
      return L"RichEdit20W";
    case Kind::kCheckTree:
      return WC_TREEVIEWW;
    case Kind::kLink:
      return L"Static";
  }
  return L"Static";
}

DWORD StyleFor(Kind kind) {
  switch (kind) {
    case Kind::kButton: return WS_TABSTOP | BS_PUSHBUTTON;
    case Kind::kDefaultButton: return WS_TABSTOP | BS_DEFPUSHBUTTON;
    case Kind::kCheckBox: return WS_TABSTOP | BS_AUTOCHECKBOX;
    case Kind::kGroupFrame: return BS_GROUPBOX;
    case Kind::kText: return SS_LEFT | SS_NOPREFIX;
    case Kind::kImage: return SS_ICON;
    case Kind::kBitmap: return SS_BITMAP;
    case Kind::kProgress: return 0;
    case Kind::kDropList: return WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
    case Kind::kListBox: return WS_TABSTOP | WS_VSCROLL | WS_BORDER | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
    case Kind::kEdit: return WS_TABSTOP | ES_AUTOHSCROLL;
    case Kind::kContainer: return WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    case Kind::kRichText: return WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL;
    case Kind::kCheckTree: return WS_TABSTOP | TVS_SHOWSELALWAYS;
    case Kind::kLink: return SS_NOTIFY | SS_LEFT | SS_NOPREFIX;
  }
  return 0;
}

}  // namespace

bool Init(HINSTANCE module) {
  g_module = module;
  DeclareDpiAwareness();
  g_systemDpi = SystemDpi();
  if (!g_controls) g_controls = new std::vector<Registered>;
  if (!g_windows) g_windows = new std::vector<TopLevel>;
  // The common controls are loaded here, after the DLL search path has been
  // restricted, and not at process start: they load further DLLs (the theme
  // library) that would otherwise be searched for beside the package. By
  // name, so that the manifest's version 6 is the one loaded.
  StartCommonControls(ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_TREEVIEW_CLASSES | ICC_LINK_CLASS |
                          ICC_WIN95_CLASSES,
                      ICC_PROGRESS_CLASS | ICC_TREEVIEW_CLASSES | ICC_WIN95_CLASSES);
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = module;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.hIcon = LoadIconW(module, MAKEINTRESOURCEW(1));
  wc.lpszClassName = kWindowClass;
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void Shutdown() {
  if (!g_windows) return;
  while (!g_windows->empty()) Close(g_windows->back().hwnd);
}

namespace {

HWND CreateTopLevel(const std::wstring& title, int clientWidth, int clientHeight, DWORD style) {
  RECT r = {0, 0, Scale(clientWidth, g_systemDpi), Scale(clientHeight, g_systemDpi)};
  WindowRectForDpi(&r, style, 0, g_systemDpi);
  int width = r.right - r.left, height = r.bottom - r.top;
  int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
  if (screenW > 0 && width > screenW) width = screenW;
  if (screenH > 0 && height > screenH) height = screenH;
  int x = (screenW - width) / 2, y = (screenH - height) / 2;
  HWND hwnd = CreateWindowExW(0, kWindowClass, title.c_str(), style, x < 0 ? 0 : x, y < 0 ? 0 : y, width, height,
                              nullptr, nullptr, g_module, nullptr);
  if (!hwnd) return nullptr;
  g_windows->push_back({hwnd, clientWidth, clientHeight, style, g_systemDpi, nullptr});
  // Opened on a monitor of another DPI: laid out for that one.
  const int dpi = DpiOfWindow(hwnd);
  if (dpi != g_systemDpi) LayOut(g_windows->back(), dpi, nullptr);
  return hwnd;
}

}  // namespace

HWND OpenWindow(const std::wstring& title, int clientWidth, int clientHeight, DWORD style) {
  return Quiet() ? nullptr : CreateTopLevel(title, clientWidth, clientHeight, style);
}

HWND OpenProgressWindow(const std::wstring& title, int clientWidth, int clientHeight, DWORD style) {
  return Quiet() && !Passive() ? nullptr : CreateTopLevel(title, clientWidth, clientHeight, style);
}

void ShowWindowNow(HWND window) {
  // The keyboard focus is always drawn, not only once a key was pressed.
  SendMessageW(window, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  SetForegroundWindow(window);
}

void Close(HWND window) {
  if (!window) return;
  for (size_t i = g_controls->size(); i-- > 0;) {
    if ((*g_controls)[i].topLevel != window) continue;
    // The toolkit's copies go with their controls (no painting between).
    Discard((*g_controls)[i].shown, (*g_controls)[i].imageType);
    g_controls->erase(g_controls->begin() + static_cast<long>(i));
  }
  for (size_t i = g_windows->size(); i-- > 0;)
    if ((*g_windows)[i].hwnd == window) g_windows->erase(g_windows->begin() + static_cast<long>(i));
  RemovePropW(window, kDefaultButtonProp);
  RemovePropW(window, kCancelButtonProp);
  DestroyWindow(window);
}

HWND CurrentWindow() { return g_windows && !g_windows->empty() ? g_windows->back().hwnd : nullptr; }

HWND AddControl(HWND parent, const ControlSpec& record) {
  DWORD style = WS_CHILD | WS_VISIBLE | StyleFor(record.kind) | record.extraStyle;
  // A container's controls are in the window's Tab order.
  DWORD exStyle = record.extraExStyle | (record.kind == Kind::kContainer ? WS_EX_CONTROLPARENT : 0);
  const wchar_t* cls = record.windowClass ? record.windowClass : ClassFor(record.kind);
  const std::wstring text = ShownAsWritten(cls, record.text);
  const int dpi = Dpi(parent);
  HWND hwnd = CreateWindowExW(exStyle, cls, text.c_str(), style, Scale(record.x, dpi), Scale(record.y, dpi),
                              Scale(record.width, dpi), Scale(record.height, dpi), parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(record.id)), g_module, nullptr);
  if (!hwnd) return nullptr;
  SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(nullptr, dpi)), FALSE);
  if (record.kind == Kind::kProgress) SendMessageW(hwnd, PBM_SETRANGE32, 0, 100);
  if (record.kind == Kind::kRichText) {
    WNDPROC original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DocumentProc)));
    if (!g_documentProc) g_documentProc = original;
  }
  if (record.kind == Kind::kCheckTree) {
    // Check boxes take effect only when set after the tree exists.
    SetWindowLongW(hwnd, GWL_STYLE, GetWindowLongW(hwnd, GWL_STYLE) | TVS_CHECKBOXES);
  }
  g_controls->push_back({record.id, hwnd, TopWindowOf(parent)});
  Registered& added = g_controls->back();
  added.x = record.x;
  added.y = record.y;
  added.width = record.width;
  added.height = record.height;
  return hwnd;
}

void DispatchToWindow(MSG* m) {
  HWND top = m->hwnd ? TopWindowOf(m->hwnd) : nullptr;
  if (top && DialogKey(top, m)) return;
  if (top && IsDialogMessageW(top, m)) return;
  TranslateMessage(m);
  DispatchMessageW(m);
}

HWND Control(int id) {
  if (!g_controls) return nullptr;
  for (size_t i = g_controls->size(); i-- > 0;)
    if ((*g_controls)[i].id == id) return (*g_controls)[i].hwnd;
  return nullptr;
}

void SetFont(int id, HFONT font) {
  Registered* c = Find(id);
  if (!c) return;
  c->font = font;
  SendMessageW(c->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(font, Dpi(c->topLevel))), TRUE);
}

void SetDialogButtons(HWND window, int defaultButton, int cancelButton) {
  // Stored plus one, so that button 0 is not taken for "none".
  SetPropW(window, kDefaultButtonProp, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(defaultButton + 1)));
  SetPropW(window, kCancelButtonProp, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(cancelButton + 1)));
}

std::wstring GetText(int id) {
  HWND h = Control(id);
  if (!h) return std::wstring();
  int n = GetWindowTextLengthW(h);
  std::wstring s(static_cast<size_t>(n) + 1, L'\0');
  n = GetWindowTextW(h, &s[0], n + 1);
  s.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return s;
}

void SetText(int id, const std::wstring& text) {
  HWND h = Control(id);
  if (!h) return;
  wchar_t cls[32] = {};
  GetClassNameW(h, cls, 32);
  SetWindowTextW(h, ShownAsWritten(cls, text).c_str());
}

void SetProgress(int id, int percent) {
  if (HWND h = Control(id)) SendMessageW(h, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}

void Enable(int id, bool enabled) {
  if (HWND h = Control(id)) EnableWindow(h, enabled);
}

void Show(int id, bool shown) {
  if (HWND h = Control(id)) ShowWindow(h, shown ? SW_SHOW : SW_HIDE);
}

bool IsChecked(int id) {
  HWND h = Control(id);
  return h && SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetIcon(int id, HICON icon) { SetImage(id, icon, IMAGE_ICON, 96); }

void SetBitmap(int id, HBITMAP bitmap, int madeFor) { SetImage(id, bitmap, IMAGE_BITMAP, madeFor); }

int Dpi(HWND window) {
  const TopLevel* t = window ? TopLevelOf(window) : nullptr;
  return t ? t->dpi : g_systemDpi;
}

int Scale(int length, int dpi) { return dpi == 96 ? length : MulDiv(length, dpi, 96); }

HFONT FontFor(HFONT font, int dpi) {
  if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  if (dpi == g_systemDpi) return font;
  for (int i = 0; i < g_fontCount; ++i)
    if (g_fonts[i].source == font && g_fonts[i].dpi == dpi) return g_fonts[i].font;
  LOGFONTW lf = {};
  if (g_fontCount == 16 || !GetObjectW(font, sizeof lf, &lf)) return font;
  lf.lfHeight = MulDiv(lf.lfHeight, dpi, g_systemDpi);
  lf.lfWidth = MulDiv(lf.lfWidth, dpi, g_systemDpi);
  HFONT scaled = CreateFontIndirectW(&lf);
  if (!scaled) return font;
  g_fonts[g_fontCount++] = {font, dpi, scaled};
  return scaled;
}

HBITMAP ScaledBitmap(HBITMAP bitmap, int fromDpi, int toDpi) {
  BITMAP bm = {};
  if (!bitmap || !GetObjectW(bitmap, sizeof bm, &bm)) return nullptr;
  const int width = MulDiv(bm.bmWidth, toDpi, fromDpi), height = MulDiv(bm.bmHeight, toDpi, fromDpi);
  HDC screen = GetDC(nullptr);
  HBITMAP scaled = CreateCompatibleBitmap(screen, width, height);
  HDC from = CreateCompatibleDC(screen), to = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  if (scaled && from && to) {
    HGDIOBJ oldFrom = SelectObject(from, bitmap), oldTo = SelectObject(to, scaled);
    // Each pixel the average of those it covers: smooth, not blocky.
    SetStretchBltMode(to, HALFTONE);
    SetBrushOrgEx(to, 0, 0, nullptr);
    StretchBlt(to, 0, 0, width, height, from, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
    SelectObject(from, oldFrom);
    SelectObject(to, oldTo);
  }
  if (from) DeleteDC(from);
  if (to) DeleteDC(to);
  return scaled;
}

void OnDpiChange(HWND window, void (*redraw)(int dpi)) {
  if (TopLevel* t = FindTopLevel(window)) t->redraw = redraw;
}

}  // namespace ui
