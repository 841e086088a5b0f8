#include "common/control_colors.h"

#include <vector>

#include "common/system_api.h"
#include "common/toolkit.h"

namespace ui {

namespace {

struct Colors {
  int id;
  COLORREF text;
  HBRUSH background;
};
std::vector<Colors>* g_colors = nullptr;

struct Link {
  HWND hwnd;
  COLORREF normal, hover;
  bool over;
  WNDPROC original;
};
std::vector<Link>* g_links = nullptr;

Link* FindLink(HWND h) {
  if (!g_links) return nullptr;
  for (Link& l : *g_links)
    if (l.hwnd == h) return &l;
  return nullptr;
}

LRESULT CALLBACK LinkProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Link* link = FindLink(hwnd);
  if (!link) return DefWindowProcW(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_SETCURSOR:
      SetCursor(LoadCursorW(nullptr, IDC_HAND));
      return TRUE;
    case WM_MOUSEMOVE:
      if (!link->over) {
        link->over = true;
        NotifyMouseLeave(hwnd);
        InvalidateRect(hwnd, nullptr, TRUE);
      }
      break;
    case WM_MOUSELEAVE:
      link->over = false;
      InvalidateRect(hwnd, nullptr, TRUE);
      break;
    default:
      break;
  }
  return CallWindowProcW(link->original, hwnd, msg, wParam, lParam);
}

// A read-only document (the rich-text kind) is read with the arrow keys; it

}  // namespace

LRESULT ControlColors(HDC dc, HWND control, HWND parent, UINT msg, WPARAM wParam, LPARAM lParam) {
  int id = GetDlgCtrlID(control);
  if (Link* link = FindLink(control)) {
    SetTextColor(dc, link->over ? link->hover : link->normal);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(SystemColourBrush(COLOR_BTNFACE));
  }
  for (size_t i = 0; g_colors && i < g_colors->size(); ++i) {
    const Colors& c = (*g_colors)[i];
    if (c.id != id || Control(id) != control) continue;
    SetTextColor(dc, c.text);
    if (!c.background) break;
    LOGBRUSH lb;
    GetObjectW(c.background, sizeof lb, &lb);
    SetBkColor(dc, lb.lbColor);
    return reinterpret_cast<LRESULT>(c.background);
  }
  return DefWindowProcW(parent, msg, wParam, lParam);
}

void SetColors(int id, COLORREF text, HBRUSH background) {
  if (!g_colors) g_colors = new std::vector<Colors>;
  for (Colors& c : *g_colors) {
    if (c.id == id) {
      c.text = text;
      c.background = background;
      return;
    }
  }
  g_colors->push_back({id, text, background});
}

void MakeLink(int id, COLORREF normal, COLORREF hover) {
  HWND h = Control(id);
  if (!h || FindLink(h)) return;
  if (!g_links) g_links = new std::vector<Link>;
  WNDPROC original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(h, GWLP_WNDPROC));
  g_links->push_back({h, normal, hover, false, original});
  SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LinkProc));
}

}  // namespace ui
