// The programs' icon, as Windows draws it: the picture of startup/art/box.art
// pixel for pixel, its transparent pixels showing what lies beneath.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "startup/art.h"
#include "tests/driver/support.h"

namespace {

constexpr bool k64 = sizeof(void*) == 8;
constexpr int kSide = 32;

// The picture's colour of a pixel (0x00RRGGBB), or -1 where it is transparent.
long PictureColour(int x, int y) {
  const char c = art::kBoxRows[y * kSide + x];
  if (c == '.') return -1;
  for (const char* p = art::kBoxPalette; *p; p += 7) {
    if (*p == c) return std::stol(std::string(p + 1, 6), nullptr, 16);
  }
  return -1;  // not in the palette: read wrongly, the test fails
}

// The program's icon 1 drawn at its size over a background (0x00RRGGBB),
// row by row from the top; empty when it cannot be loaded.
std::vector<uint32_t> Drawn(const std::wstring& program, uint32_t background) {
  std::vector<uint32_t> pixels;
  HMODULE image = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!image) return pixels;
  HICON icon = static_cast<HICON>(LoadImageW(image, MAKEINTRESOURCEW(1), IMAGE_ICON, kSide, kSide, 0));
  if (icon) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kSide;
    info.bmiHeader.biHeight = -kSide;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dc && bitmap && bits) {
      HGDIOBJ old = SelectObject(dc, bitmap);
      auto* p = static_cast<uint32_t*>(bits);
      for (int i = 0; i < kSide * kSide; ++i) p[i] = background;
      if (DrawIconEx(dc, 0, 0, icon, kSide, kSide, 0, nullptr, DI_NORMAL)) {
        GdiFlush();
        pixels.assign(p, p + kSide * kSide);
        for (uint32_t& pixel : pixels) pixel &= 0xFFFFFF;
      }
      SelectObject(dc, old);
    }
    if (bitmap) DeleteObject(bitmap);
    if (dc) DeleteDC(dc);
    DestroyIcon(icon);
  }
  FreeLibrary(image);
  return pixels;
}

}  // namespace

TEST(Icon, EachProgramShowsThePictureWithItsTransparentPixels) {
  const std::wstring bin = drive::BinFolder();
  for (const std::wstring& program :
       {bin + (k64 ? L"tarnstub64.exe" : L"tarnstub.exe"), bin + (k64 ? L"Uninstaller64.exe" : L"Uninstaller.exe")}) {
    SCOPED_TRACE(drive::Narrow(program));
    for (uint32_t background : {0xFF00FFu, 0x00FF00u}) {
      const std::vector<uint32_t> pixels = Drawn(program, background);
      ASSERT_EQ(pixels.size(), static_cast<size_t>(kSide * kSide)) << "the icon could not be drawn";
      int wrong = 0;
      for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
          const long colour = PictureColour(x, y);
          const uint32_t want = colour < 0 ? background : static_cast<uint32_t>(colour);
          if (pixels[y * kSide + x] != want && ++wrong <= 5) {
            ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex << pixels[y * kSide + x]
                          << ", the picture has " << want;
          }
        }
      }
      EXPECT_EQ(wrong, 0);
    }
  }
}
