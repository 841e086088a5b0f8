#include "startup/builtin_images.h"

#include "startup/art.h"

namespace {

constexpr int kSize = 32;

int HexDigit(char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }

// The palette text is a run of seven-character items: the pixel character
// and six hexadecimal digits RRGGBB.
bool Lookup(const char* palette, char c, DWORD* bgra) {
  for (const char* p = palette; *p; p += 7) {
    if (*p != c) continue;
    int r = HexDigit(p[1]) * 16 + HexDigit(p[2]);
    int g = HexDigit(p[3]) * 16 + HexDigit(p[4]);
    int b = HexDigit(p[5]) * 16 + HexDigit(p[6]);
    *bgra = 0xFF000000u | DWORD(r) << 16 | DWORD(g) << 8 | DWORD(b);
    return true;
  }
  return false;
}

HICON Decode(const char* palette, const char* rows) {
  BITMAPV5HEADER bh = {};
  bh.bV5Size = sizeof bh;
  bh.bV5Width = kSize;
  bh.bV5Height = -kSize;  // top-down
  bh.bV5Planes = 1;
  bh.bV5BitCount = 32;
  bh.bV5Compression = BI_BITFIELDS;
  bh.bV5RedMask = 0x00FF0000;
  bh.bV5GreenMask = 0x0000FF00;
  bh.bV5BlueMask = 0x000000FF;
  bh.bV5AlphaMask = 0xFF000000;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP color = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&bh), DIB_RGB_COLORS, &bits, nullptr, 0);
  ReleaseDC(nullptr, screen);
  if (!color) return nullptr;
  auto* px = static_cast<DWORD*>(bits);
  BYTE mask[kSize * kSize / 8] = {};  // the AND mask: 1 = transparent
  for (int i = 0; i < kSize * kSize; ++i) {
    DWORD value = 0;
    if (!Lookup(palette, rows[i], &value)) mask[i / 8] |= static_cast<BYTE>(0x80 >> (i % 8));
    px[i] = value;
  }
  HBITMAP monochrome = CreateBitmap(kSize, kSize, 1, 1, mask);
  ICONINFO ii = {TRUE, 0, 0, monochrome, color};
  HICON icon = CreateIconIndirect(&ii);
  DeleteObject(monochrome);
  DeleteObject(color);
  return icon;
}

}  // namespace

HICON CreateBoxIcon() { return Decode(art::kBoxPalette, art::kBoxRows); }
HICON CreateFolderIcon() { return Decode(art::kFolderPalette, art::kFolderRows); }
HICON CreateGroupIcon() { return Decode(art::kGroupPalette, art::kGroupRows); }

HBITMAP CreateStripBitmap() {
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = 495;
  bi.bmiHeader.biHeight = 2;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP strip = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (strip) {
    // Rows are padded to four bytes: 495 * 3 = 1485 -> 1488.
    auto* p = static_cast<BYTE*>(bits);
    for (int i = 0; i < 1488 * 2; ++i) p[i] = 0xC0;  // a neutral grey until the wizard etches it
  }
  return strip;
}
