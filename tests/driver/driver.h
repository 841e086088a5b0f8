// The test driver: starts packages and works their windows the way a person
// would: it finds windows by title, reads controls by number, presses
// buttons, ticks boxes and answers message boxes. Used by the end-to-end
// tests and by the tarndrive command.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/driver/files.h"
#include "tests/driver/processes.h"

namespace drive {

// Visible top-level windows of the process.
std::vector<HWND> WindowsOf(DWORD pid);
// Waits for a visible top-level window of the process with this exact title
// (an empty title: any window that is not a message box). Null on time-out.
HWND WaitWindow(const Process& p, const std::wstring& title, int timeoutMs = 60000);
// Waits until the window is gone (destroyed or hidden).
bool WaitGone(HWND window, int timeoutMs = 60000);

std::wstring Title(HWND window);
std::wstring ClassName(HWND window);

// Controls by number, anywhere below the window.
HWND Control(HWND window, int id);
std::wstring Text(HWND window, int id);
bool Exists(HWND window, int id);
bool Visible(HWND window, int id);  // the control and every parent up to the window
bool Enabled(HWND window, int id);
bool Checked(HWND window, int id);
int ProgressPos(HWND window, int id);
// The client rectangle of a control in its window's client coordinates.
RECT Placement(HWND window, int id);
// Items of a list box or drop-down list, and the selected index (-1: none).
std::vector<std::wstring> Items(HWND window, int id);
int Selected(HWND window, int id);

// The items of a check-box tree (one level), and whether each is ticked.
std::vector<std::wstring> TreeItems(HWND window, int id);
std::vector<bool> TreeTicks(HWND window, int id);
// Ticks or clears an item as a person would with the keyboard (select, space).
bool ToggleTreeItem(HWND window, int id, int index);

// Presses a button as a person would: only when it is visible and enabled,
// waiting a moment for that (a program shows the effect of the last click
// only once it has taken it from its queue). False (and nothing happens)
// when the button does not become clickable.
bool Click(HWND window, int id);
// Presses a button without waiting for the program to take the click, for a
// program that is held in the middle of its work: the click is handed over
// when it next looks at its messages. Only a visible, enabled button.
bool ClickLater(HWND window, int id);
// Presses a button through the program's queue of posted messages: the
// click comes after everything posted before it (close requests, other
// posted clicks) and is taken when the program takes that message. Only a
// visible, enabled button.
bool PostClick(HWND window, int id);
// Presses a key as a person would: through the system's input, so it goes
// to the control that has the keyboard focus in the foreground window
// (brought to the front first), with Shift held when asked.
bool PressKey(HWND window, WORD key, bool shift = false);
// The number of the control that has the keyboard focus in the window's
// thread (-1 when none has it).
int FocusedId(HWND window);
// Waits until the control of that number has the keyboard focus.
bool WaitFocus(HWND window, int id, int timeoutMs = 10000);
// Waits until the condition holds; false on time-out.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 30000);
// Selects an item of a list as a person would.
bool Select(HWND window, int id, int index);
// Presses the title bar's close box (the system menu's Close command); the
// request is posted, in order with other posted messages.
void CloseBox(HWND window);

enum class Icon { kNone, kError, kWarning, kInformation, kQuestion, kUnknown };
const char* IconName(Icon icon);

struct MessageBoxInfo {
  HWND window = nullptr;
  std::wstring title;
  std::wstring text;
  Icon icon = Icon::kNone;
  std::vector<int> buttons;  // IDOK, IDYES, IDNO ...
};

// Waits for a message box of the process (a dialog of class #32770).
// `window` is null on time-out.
MessageBoxInfo WaitMessageBox(const Process& p, int timeoutMs = 60000);
// Waits for a message box of any program with this exact title (programs
// that start further copies of themselves, like the uninstaller).
MessageBoxInfo WaitMessageBoxTitled(const std::wstring& title, int timeoutMs = 30000);
MessageBoxInfo DescribeMessageBox(HWND window);
// Presses one of its buttons (IDOK, IDYES, IDNO, ...) and waits for the box
// to close.
bool Answer(const MessageBoxInfo& box, int button);

}  // namespace drive
