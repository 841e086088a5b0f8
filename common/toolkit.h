// A small window toolkit over plain Win32: top-level windows and numbered
// controls created from records. Their notifications become events by
// control number (common/event_queue.h); colours and links are in
// common/control_colors.h, message boxes in common/message_box.h.
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
// client size (in 1/96 inch). Returns null on failure, and in a quiet run
// (common/quiet_run.h).
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

// A font made for the system DPI (as the stock fonts are); a window of
// another DPI shows it in the same face and points, its height scaled.
void SetFont(int id, HFONT font);

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

// Hands a message taken from the queue to its window: Enter and Escape
// press the window's buttons (SetDialogButtons), Tab moves the focus.
void DispatchToWindow(MSG* m);

}  // namespace ui
