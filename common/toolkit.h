// A small window toolkit over plain Win32: top-level windows, numbered
// controls created from records, and an event queue that turns control
// notifications into events by control number.
//
// Control numbers are global, as the setup's tables give them: Control(n)
// finds the control of number n in any open window (the windows that share
// numbers are never open at the same time).
//
// Sizes and positions are given in units of 1/96 inch, as pixels at 96 DPI.
// Each window is laid out for the DPI of its monitor and laid out again
// when it moves to a monitor of another DPI: positions, sizes, fonts,
// icons and bitmaps scale with the DPI. At 96 DPI the numbers are pixels.
#pragma once

#include <string>

#include "common/prelude.h"

namespace ui {

enum class Kind {
  kButton,
  kDefaultButton,
  kText,
  kImage,        // an icon at the control's size
  kBitmap,       // a bitmap shown at its own size (scaled with the DPI)
  kProgress,     // range 0 to 100
  kDropList,     // a drop-down list that cannot be edited
  kListBox,
  kEdit,         // one line
  kCheckBox,
  kGroupFrame,
  kContainer,    // a child window holding other controls (a wizard page)
  kRichText,     // read-only, multi-line, word-wrapped; the class name is given in the record
  kCheckTree,    // a one-level tree with check boxes, no lines, no buttons
  kLink,         // a text that reacts to clicks, with the hand cursor
};

struct ControlSpec {
  int id;
  Kind kind;
  int x, y, width, height;
  const wchar_t* text = L"";
  DWORD extraStyle = 0;
  DWORD extraExStyle = 0;
  const wchar_t* windowClass = nullptr;  // overrides the kind's class (rich text)
};

enum class Style : DWORD {
  kTitleOnly = WS_CAPTION,
  kTitleAndSystemMenu = WS_CAPTION | WS_SYSMENU,
};

// Initialises the common controls and registers the window class.
bool Init(HINSTANCE module);
void Shutdown();

// Opens a top-level window, hidden, centred on the screen, with the given
// client size (in 1/96 inch). Returns null on failure.
HWND OpenWindow(const std::wstring& title, int clientWidth, int clientHeight, DWORD style);
// The same for a progress window: opened in a passive run too.
HWND OpenProgressWindow(const std::wstring& title, int clientWidth, int clientHeight, DWORD style);
void ShowWindowNow(HWND window);
void Close(HWND window);
// The most recently opened window that is still open, or null.
HWND CurrentWindow();

// Creates a control from its record (in 1/96 inch); returns null on failure.
HWND AddControl(HWND parent, const ControlSpec& record);
HWND Control(int id);

// Enter presses the default button and Escape the cancel button of a window.
void SetDialogButtons(HWND window, int defaultButton, int cancelButton);

// Text colour and background of a static or edit control (null brush: the
// parent's background).
void SetColors(int id, COLORREF text, HBRUSH background);
// A font made for the system DPI (as the stock fonts are); a window of
// another DPI shows it in the same face and points, its height scaled.
void SetFont(int id, HFONT font);
// A link label: `hover` is the text colour while the pointer is over it.
void MakeLink(int id, COLORREF normal, COLORREF hover);

std::wstring GetText(int id);
void SetText(int id, const std::wstring& text);
void SetProgress(int id, int percent);
void Enable(int id, bool enabled);
void Show(int id, bool shown);
bool IsChecked(int id);
// An icon, shown at the control's size (a copy of it at another size).
void SetIcon(int id, HICON icon);
// A bitmap made for `madeFor` DPI, shown as it is in a window of that DPI
// and otherwise as a smoothly scaled copy.
void SetBitmap(int id, HBITMAP bitmap, int madeFor = 96);

// The DPI a window is laid out for, and a length in 1/96 inch at a DPI.
int Dpi(HWND window);
int Scale(int length, int dpi);
// A font made for the system DPI, for another DPI (the same font at the
// system DPI). The toolkit keeps it.
HFONT FontFor(HFONT font, int dpi);
// A new bitmap: the picture smoothly scaled from one DPI to another.
HBITMAP ScaledBitmap(HBITMAP bitmap, int fromDpi, int toDpi);
// Called whenever the window has been laid out for a new DPI, after its
// controls, for what the window draws itself (texts on pictures).
void OnDpiChange(HWND window, void (*redraw)(int dpi));

enum class EventType { kNone, kControl, kCloseWindow, kOther };
struct Event {
  EventType type = EventType::kNone;
  int id = 0;    // control number for kControl
  int code = 0;  // the notification code
};

// Handles at most one pending window message without waiting. kNone when
// nothing was pending.
Event PollEvent();

// For long work between progress reports: the windows paint and answer
// messages other programs (and the system) send them, without waiting;
// user input stays queued for the next progress report.
void KeepAlive();
// Waits for the object (at most `timeoutMs`, INFINITE for no limit; a null
// object: just the time) while the windows keep painting and answering the
// system. User input that arrives meanwhile is dropped, with every event it
// would have made. True when the object was signalled.
bool WaitServing(HANDLE object, DWORD timeoutMs);
// Waits for the next control or close event.
Event WaitEvent();

// A modal message box owned by the current window. Returns the button pressed.
// Every message also goes to the log.
int Message(const std::wstring& text, const std::wstring& title, UINT flags);

// A quiet run (an unattended one) shows no window of any kind: OpenWindow
// gives null, and Message shows nothing and answers No to a question, OK
// to anything else. A passive run is a quiet run that shows its progress:
// OpenProgressWindow opens its window, everything else stays quiet.
void SetQuiet(bool quiet, bool passive = false);
bool Quiet();

constexpr UINT kErrorIcon = MB_ICONERROR;          // 0x10
constexpr UINT kWarningIcon = MB_ICONWARNING;      // 0x30
constexpr UINT kInformationIcon = MB_ICONINFORMATION;  // 0x40
constexpr UINT kConfirm = MB_YESNO | MB_ICONERROR;  // 0x14; only Yes consents

}  // namespace ui
