#include "tests/driver/screen.h"

#include <zlib.h>

#include <cstdio>
#include <cstdlib>

#include "tests/driver/driver.h"

namespace drive {

namespace {

Pixels FromDc(HDC source, int x, int y, int w, int h) {
  Pixels p;
  if (w <= 0 || h <= 0) return p;
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC mem = CreateCompatibleDC(source);
  HBITMAP bmp = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, w, h, source, x, y, SRCCOPY);
  GdiFlush();
  p.width = w, p.height = h;
  p.rgb.resize(static_cast<size_t>(w) * h);
  const auto* px = static_cast<const DWORD*>(bits);
  for (size_t i = 0; i < p.rgb.size(); ++i) {
    DWORD v = px[i];
    p.rgb[i] = RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  }
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  return p;
}

void Put32(std::string* s, uint32_t v) {
  for (int i = 3; i >= 0; --i) s->push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void Chunk(std::string* png, const char* type, const std::string& data) {
  Put32(png, static_cast<uint32_t>(data.size()));
  std::string body = std::string(type, 4) + data;
  png->append(body);
  Put32(png, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))));
}

long Distance(const Pixels& a, const Pixels& b) {
  long d = 0;
  for (size_t i = 0; i < a.rgb.size() && i < b.rgb.size(); ++i) {
    COLORREF x = a.rgb[i], y = b.rgb[i];
    d += std::labs(long(GetRValue(x)) - GetRValue(y)) + std::labs(long(GetGValue(x)) - GetGValue(y)) +
         std::labs(long(GetBValue(x)) - GetBValue(y));
  }
  return d;
}

struct Pending {
  bool any;
};

BOOL CALLBACK PendingPaint(HWND h, LPARAM lp) {
  auto* p = reinterpret_cast<Pending*>(lp);
  if (IsWindowVisible(h) && GetUpdateRect(h, nullptr, FALSE)) {
    p->any = true;
    return FALSE;
  }
  return TRUE;
}

// True while the window or one of its shown children has something left
// to paint. Asked of the system, not of the program: a busy program does
// not hold the driver.
bool PaintPending(HWND window) {
  Pending p{IsWindowVisible(window) && GetUpdateRect(window, nullptr, FALSE)};
  if (!p.any) EnumChildWindows(window, PendingPaint, reinterpret_cast<LPARAM>(&p));
  return p.any;
}

}  // namespace

bool PaintAnew(HWND window, int timeoutMs) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  return WaitUntil(
      [window] {
        if (PaintPending(window)) return false;
        // A paint that has begun has no update region any more: the answer
        // to a message comes once the program is back at its messages, after
        // that paint has ended.
        DWORD_PTR r = 0;
        return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &r) && !PaintPending(window);
      },
      timeoutMs);
}

Pixels Capture(const RECT& r) {
  HDC screen = GetDC(nullptr);
  Pixels p = FromDc(screen, r.left, r.top, r.right - r.left, r.bottom - r.top);
  ReleaseDC(nullptr, screen);
  return p;
}

bool SaveScreenshot(HWND window, const std::wstring& pngPath) {
  // A picture is no proof of anything: a program that does not paint in
  // time is taken as it is.
  PaintAnew(window);
  RECT r;
  if (!GetWindowRect(window, &r)) return false;
  Pixels p = Capture(r);
  if (!p.width) return false;
  std::string raw;
  raw.reserve(static_cast<size_t>(p.width * 3 + 1) * p.height);
  for (int y = 0; y < p.height; ++y) {
    raw.push_back(0);  // no filter
    for (int x = 0; x < p.width; ++x) {
      COLORREF c = p.At(x, y);
      raw.push_back(static_cast<char>(GetRValue(c)));
      raw.push_back(static_cast<char>(GetGValue(c)));
      raw.push_back(static_cast<char>(GetBValue(c)));
    }
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(packedSize, '\0');
  compress2(reinterpret_cast<Bytef*>(&packed[0]), &packedSize, reinterpret_cast<const Bytef*>(raw.data()),
            static_cast<uLong>(raw.size()), 9);
  packed.resize(packedSize);
  std::string png("\x89PNG\r\n\x1a\n", 8), header;
  Put32(&header, static_cast<uint32_t>(p.width));
  Put32(&header, static_cast<uint32_t>(p.height));
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB
  Chunk(&png, "IHDR", header);
  Chunk(&png, "IDAT", packed);
  Chunk(&png, "IEND", "");
  FILE* f = _wfopen(pngPath.c_str(), L"wb");
  if (!f) return false;
  bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
  return std::fclose(f) == 0 && ok;
}

Icon IdentifyIcon(HWND iconControl) {
  RECT r;
  GetWindowRect(iconControl, &r);
  int w = r.right - r.left, h = r.bottom - r.top;
  // The background just left of the icon.
  RECT left = {r.left - 2, r.top, r.left - 1, r.top + 1};
  COLORREF background = Capture(left).rgb.empty() ? GetSysColor(COLOR_BTNFACE) : Capture(left).rgb[0];
  struct Candidate {
    LPCWSTR id;
    Icon icon;
  } candidates[] = {{IDI_HAND, Icon::kError},
                    {IDI_EXCLAMATION, Icon::kWarning},
                    {IDI_ASTERISK, Icon::kInformation},
                    {IDI_QUESTION, Icon::kQuestion}};
  Icon best = Icon::kUnknown;
  long bestDistance = -1;
  // The box may not be painted yet, or its owner may still be painting over
  // it: look until one of the system's icons shows (at most ten seconds).
  const DWORD start = GetTickCount();
  for (;;) {
    Pixels shown = Capture(r);
    for (const Candidate& c : candidates) {
      HDC screen = GetDC(nullptr);
      HDC mem = CreateCompatibleDC(screen);
      HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
      HGDIOBJ old = SelectObject(mem, bmp);
      HBRUSH brush = CreateSolidBrush(background);
      RECT all = {0, 0, w, h};
      FillRect(mem, &all, brush);
      DeleteObject(brush);
      DrawIconEx(mem, 0, 0, LoadIconW(nullptr, c.id), 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE);
      Pixels drawn = FromDc(mem, 0, 0, w, h);
      SelectObject(mem, old);
      DeleteObject(bmp);
      DeleteDC(mem);
      ReleaseDC(nullptr, screen);
      long d = Distance(shown, drawn);
      if (bestDistance < 0 || d < bestDistance) bestDistance = d, best = c.icon;
    }
    // Within a few levels per channel on average: the same picture.
    if (bestDistance >= 0 && bestDistance <= static_cast<long>(w) * h * 6) return best;
    if (GetTickCount() - start > 10000 || !IsWindowVisible(iconControl)) return Icon::kUnknown;
    Sleep(40);
  }
}

}  // namespace drive
