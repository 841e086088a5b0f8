#include "startup/shared_resources.h"

#include "startup/builtin_images.h"
#include "startup/process.h"

namespace {

struct FontSpec {
  int points;
  int weight;
  DWORD quality;
};

// All "Tahoma", default character set; the height is minus the point size
// scaled by the display's vertical dots per inch over 72.
constexpr FontSpec kFonts[4] = {
    {14, FW_NORMAL, PROOF_QUALITY},  // 0: titles of the welcome and finish pages
    {7, FW_NORMAL, PROOF_QUALITY},   // 1: the legal notice
    {9, FW_NORMAL, PROOF_QUALITY},   // 2: second header line
    {10, FW_BOLD, DEFAULT_QUALITY},  // 3: first header line
};

}  // namespace

void CreateSharedResources() {
  ProcessState& p = Process();
  p.whiteBrush = CreateSolidBrush(RGB(255, 255, 255));
  HDC screen = GetDC(nullptr);
  int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  for (int i = 0; i < 4; ++i) {
    const FontSpec& f = kFonts[i];
    p.fonts[i] = CreateFontW(-MulDiv(f.points, dpi, 72), 0, 0, 0, f.weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, f.quality, DEFAULT_PITCH, L"Tahoma");
  }
  p.image0 = CreateBoxIcon();
  p.image1 = CreateStripBitmap();
  p.image2 = CreateFolderIcon();
  p.image3 = CreateGroupIcon();
}
