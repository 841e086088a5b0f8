#include "tests/driver/driver.h"

#include <commctrl.h>

#include "tests/driver/screen.h"

namespace drive {

namespace {

constexpr int kPoll = 20;

struct FindChild {
  int id;
  HWND found;
};

BOOL CALLBACK FindChildProc(HWND h, LPARAM lp) {
  auto* f = reinterpret_cast<FindChild*>(lp);
  if (GetDlgCtrlID(h) == f->id) {
    f->found = h;
    return FALSE;
  }
  return TRUE;
}

struct TopLevel {
  DWORD pid;
  std::vector<HWND> windows;
};

BOOL CALLBACK TopLevelProc(HWND h, LPARAM lp) {
  auto* t = reinterpret_cast<TopLevel*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  if (pid == t->pid && IsWindowVisible(h)) t->windows.push_back(h);
  return TRUE;
}

std::wstring WindowText(HWND h) {
  // WM_GETTEXT works across processes for every control; a program that is
  // busy (or held by the test) does not hold the driver for long.
  DWORD_PTR n = 0, got = 0;
  if (!SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 5000, &n)) return std::wstring();
  std::wstring s(static_cast<size_t>(n) + 1, L'\0');
  if (!SendMessageTimeoutW(h, WM_GETTEXT, static_cast<WPARAM>(n + 1), reinterpret_cast<LPARAM>(&s[0]), SMTO_NORMAL,
                           5000, &got))
    return std::wstring();
  s.resize(static_cast<size_t>(got));
  return s;
}

// Reads a control's state. A program that is busy (or held by the test)
// does not hold the driver for long: the answer is then `otherwise`.
LRESULT Ask(HWND h, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT otherwise) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(h, msg, wParam, lParam, SMTO_NORMAL, 5000, &result)) return otherwise;
  return static_cast<LRESULT>(result);
}

// A top-level window's title, as the system keeps it: no message is sent,
// so it can be read while the program is busy.
std::wstring Caption(HWND h) {
  wchar_t buf[512] = {};
  int n = GetWindowTextW(h, buf, 512);
  return std::wstring(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

}  // namespace

std::vector<HWND> WindowsOf(DWORD pid) {
  TopLevel t{pid, {}};
  EnumWindows(TopLevelProc, reinterpret_cast<LPARAM>(&t));
  return t.windows;
}

std::wstring Title(HWND window) { return Caption(window); }

std::wstring ClassName(HWND window) {
  wchar_t buf[128] = {};
  GetClassNameW(window, buf, 128);
  return buf;
}

HWND WaitWindow(const Process& p, const std::wstring& title, int timeoutMs) {
  for (int waited = 0; waited <= timeoutMs; waited += kPoll) {
    for (HWND h : WindowsOf(p.pid())) {
      if (title.empty() ? ClassName(h) != L"#32770" : Title(h) == title) return h;
    }
    if (!p.Running()) return nullptr;
    Sleep(kPoll);
  }
  return nullptr;
}

bool WaitGone(HWND window, int timeoutMs) {
  for (int waited = 0; waited <= timeoutMs; waited += kPoll) {
    if (!IsWindow(window) || !IsWindowVisible(window)) return true;
    Sleep(kPoll);
  }
  return false;
}

HWND Control(HWND window, int id) {
  FindChild f{id, nullptr};
  EnumChildWindows(window, FindChildProc, reinterpret_cast<LPARAM>(&f));
  return f.found;
}

std::wstring Text(HWND window, int id) {
  HWND h = Control(window, id);
  return h ? WindowText(h) : std::wstring();
}

bool Exists(HWND window, int id) { return Control(window, id) != nullptr; }

bool Visible(HWND window, int id) {
  HWND h = Control(window, id);
  return h && IsWindowVisible(h);
}

bool Enabled(HWND window, int id) {
  HWND h = Control(window, id);
  return h && IsWindowEnabled(h);
}

bool Checked(HWND window, int id) {
  HWND h = Control(window, id);
  return h && Ask(h, BM_GETCHECK, 0, 0, BST_UNCHECKED) == BST_CHECKED;
}

int ProgressPos(HWND window, int id) {
  HWND h = Control(window, id);
  return h ? static_cast<int>(Ask(h, PBM_GETPOS, 0, 0, -1)) : -1;
}

RECT Placement(HWND window, int id) {
  RECT r = {};
  HWND h = Control(window, id);
  if (!h) return r;
  GetWindowRect(h, &r);
  MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::vector<std::wstring> Items(HWND window, int id) {
  std::vector<std::wstring> items;
  HWND h = Control(window, id);
  if (!h) return items;
  bool combo = ClassName(h) == L"ComboBox";
  LRESULT n = Ask(h, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0, 0);
  for (LRESULT i = 0; i < n; ++i) {
    LRESULT len = Ask(h, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, static_cast<WPARAM>(i), 0, -1);
    if (len < 0) break;
    // The text is copied back across processes (the system marshals these
    // two messages).
    std::wstring s(static_cast<size_t>(len) + 1, L'\0');
    if (Ask(h, combo ? CB_GETLBTEXT : LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&s[0]), -1) < 0)
      break;
    s.resize(static_cast<size_t>(len));
    items.push_back(s);
  }
  return items;
}

int Selected(HWND window, int id) {
  HWND h = Control(window, id);
  if (!h) return -1;
  return static_cast<int>(Ask(h, ClassName(h) == L"ComboBox" ? CB_GETCURSEL : LB_GETCURSEL, 0, 0, -1));
}

// Sent, not posted: when the call returns the program has taken the click.
// What it does about it follows a moment later, so tests wait for results.
static bool Deliver(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(h, msg, wParam, lParam, SMTO_NORMAL, 10000, &result) != 0;
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
  for (int waited = 0;; waited += kPoll) {
    if (condition()) return true;
    if (waited >= timeoutMs) return false;
    Sleep(kPoll);
  }
}

bool Click(HWND window, int id) {
  HWND h = Control(window, id);
  if (!h || !WaitUntil([h] { return IsWindowVisible(h) && IsWindowEnabled(h); }, 15000)) return false;
  return Deliver(h, BM_CLICK, 0, 0);
}

bool PressKey(HWND window, WORD key, bool shift) {
  SetForegroundWindow(window);
  if (!WaitUntil([window] { return GetForegroundWindow() == window || IsChild(window, GetForegroundWindow()); },
                 15000))
    return false;
  INPUT in[4] = {};
  int n = 0;
  auto add = [&](WORD vk, bool up) {
    in[n].type = INPUT_KEYBOARD;
    in[n].ki.wVk = vk;
    in[n].ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    ++n;
  };
  if (shift) add(VK_SHIFT, false);
  add(key, false);
  add(key, true);
  if (shift) add(VK_SHIFT, true);
  return SendInput(static_cast<UINT>(n), in, sizeof(INPUT)) == static_cast<UINT>(n);
}

int FocusedId(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) || !info.hwndFocus) return -1;
  return GetDlgCtrlID(info.hwndFocus);
}

bool WaitFocus(HWND window, int id, int timeoutMs) {
  return WaitUntil([&] { return FocusedId(window) == id; }, timeoutMs);
}

bool ClickLater(HWND window, int id) {
  HWND h = Control(window, id);
  if (!h || !IsWindowVisible(h) || !IsWindowEnabled(h)) return false;
  return SendNotifyMessageW(h, BM_CLICK, 0, 0) != 0;
}

bool PostClick(HWND window, int id) {
  HWND h = Control(window, id);
  if (!h || !IsWindowVisible(h) || !IsWindowEnabled(h)) return false;
  return PostMessageW(h, BM_CLICK, 0, 0) != 0;
}

bool Select(HWND window, int id, int index) {
  HWND h = Control(window, id);
  if (!h || !IsWindowVisible(h) || !IsWindowEnabled(h)) return false;
  bool combo = ClassName(h) == L"ComboBox";
  if (!Deliver(h, combo ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(index), 0)) return false;
  // A person's choice notifies the parent; setting the selection alone does not.
  HWND parent = GetParent(h);
  WPARAM code = MAKEWPARAM(id, combo ? CBN_SELCHANGE : LBN_SELCHANGE);
  return Deliver(parent, WM_COMMAND, code, reinterpret_cast<LPARAM>(h));
}

namespace {

std::vector<HTREEITEM> TreeHandles(HWND tree) {
  std::vector<HTREEITEM> items;
  DWORD_PTR r = 0;
  SendMessageTimeoutW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0, SMTO_NORMAL, 5000, &r);
  for (auto item = reinterpret_cast<HTREEITEM>(r); item;) {
    items.push_back(item);
    r = 0;
    SendMessageTimeoutW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item), SMTO_NORMAL, 5000, &r);
    item = reinterpret_cast<HTREEITEM>(r);
  }
  return items;
}

// Reads an item's text through memory in the tree's own process: tree
// messages carry pointers that are not carried across processes.
std::wstring TreeItemText(HWND tree, HTREEITEM item) {
  DWORD pid = 0;
  GetWindowThreadProcessId(tree, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (!process) return std::wstring();
  const size_t kChars = 512;
  auto* remote = static_cast<BYTE*>(
      VirtualAllocEx(process, nullptr, sizeof(TVITEMW) + kChars * 2, MEM_COMMIT, PAGE_READWRITE));
  std::wstring out;
  if (remote) {
    TVITEMW tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = reinterpret_cast<LPWSTR>(remote + sizeof(TVITEMW));
    tv.cchTextMax = kChars;
    WriteProcessMemory(process, remote, &tv, sizeof tv, nullptr);
    DWORD_PTR r = 0;
    SendMessageTimeoutW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote), SMTO_NORMAL, 5000, &r);
    wchar_t buffer[512] = {};
    ReadProcessMemory(process, remote + sizeof(TVITEMW), buffer, sizeof buffer - 2, nullptr);
    out = buffer;
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  }
  CloseHandle(process);
  return out;
}

}  // namespace

std::vector<std::wstring> TreeItems(HWND window, int id) {
  std::vector<std::wstring> out;
  HWND tree = Control(window, id);
  if (!tree) return out;
  for (HTREEITEM item : TreeHandles(tree)) out.push_back(TreeItemText(tree, item));
  return out;
}

std::vector<bool> TreeTicks(HWND window, int id) {
  std::vector<bool> out;
  HWND tree = Control(window, id);
  if (!tree) return out;
  for (HTREEITEM item : TreeHandles(tree)) {
    DWORD_PTR state = 0;
    SendMessageTimeoutW(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_STATEIMAGEMASK, SMTO_NORMAL,
                        5000, &state);
    out.push_back((state >> 12) == 2);
  }
  return out;
}

bool ToggleTreeItem(HWND window, int id, int index) {
  HWND tree = Control(window, id);
  if (!tree || !IsWindowVisible(tree) || !IsWindowEnabled(tree)) return false;
  std::vector<HTREEITEM> items = TreeHandles(tree);
  if (index < 0 || index >= static_cast<int>(items.size())) return false;
  Deliver(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(items[static_cast<size_t>(index)]));
  Deliver(tree, WM_KEYDOWN, VK_SPACE, 0x00390001);
  return Deliver(tree, WM_KEYUP, VK_SPACE, 0xC0390001);
}

void CloseBox(HWND window) { PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); }

const char* IconName(Icon icon) {
  switch (icon) {
    case Icon::kNone: return "none";
    case Icon::kError: return "error";
    case Icon::kWarning: return "warning";
    case Icon::kInformation: return "information";
    case Icon::kQuestion: return "question";
    case Icon::kUnknown: return "unknown";
  }
  return "?";
}

MessageBoxInfo WaitMessageBox(const Process& p, int timeoutMs) {
  MessageBoxInfo box;
  for (int waited = 0; waited <= timeoutMs && !box.window; waited += kPoll) {
    for (HWND h : WindowsOf(p.pid()))
      if (ClassName(h) == L"#32770") box.window = h;
    if (!box.window) {
      if (!p.Running()) return box;
      Sleep(kPoll);
    }
  }
  return box.window ? DescribeMessageBox(box.window) : box;
}

namespace {
struct TitledBox {
  const std::wstring* title;
  HWND found;
};
BOOL CALLBACK FindTitledBox(HWND h, LPARAM lp) {
  auto* t = reinterpret_cast<TitledBox*>(lp);
  if (IsWindowVisible(h) && ClassName(h) == L"#32770" && Title(h) == *t->title) {
    t->found = h;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

MessageBoxInfo WaitMessageBoxTitled(const std::wstring& title, int timeoutMs) {
  TitledBox t{&title, nullptr};
  for (int waited = 0; waited <= timeoutMs; waited += kPoll) {
    EnumWindows(FindTitledBox, reinterpret_cast<LPARAM>(&t));
    if (t.found) return DescribeMessageBox(t.found);
    Sleep(kPoll);
  }
  return MessageBoxInfo();
}

MessageBoxInfo DescribeMessageBox(HWND window) {
  MessageBoxInfo box;
  box.window = window;
  box.title = Title(box.window);
  HWND iconControl = nullptr;
  for (HWND c = GetWindow(box.window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    std::wstring cls = ClassName(c);
    LONG style = GetWindowLongW(c, GWL_STYLE);
    if (cls == L"Static" && (style & SS_TYPEMASK) == SS_ICON) {
      if (IsWindowVisible(c)) iconControl = c;
    } else if (cls == L"Static") {
      box.text = WindowText(c);
    } else if (cls == L"Button" && IsWindowVisible(c)) {
      box.buttons.push_back(GetDlgCtrlID(c));
    }
  }
  box.icon = iconControl ? IdentifyIcon(iconControl) : Icon::kNone;
  return box;
}

bool Answer(const MessageBoxInfo& box, int button) {
  HWND h = GetDlgItem(box.window, button);
  if (!h) return false;
  // Posted: the box ends its own modal loop, which a sent click would wait for.
  // Then waited for, so that the next box looked for is not this one still
  // on its way out.
  return PostMessageW(h, BM_CLICK, 0, 0) != 0 && WaitGone(box.window);
}

}  // namespace drive
