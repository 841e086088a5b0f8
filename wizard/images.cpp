#include "wizard/images.h"

#include "common/handles.h"
#include "common/toolkit.h"
#include "common/system_api.h"
#include "startup/builtin_images.h"
#include "startup/process.h"
#include "wizard/bitmap_check.h"
#include "wizard/controls.h"
#include "wizard/wizard_state.h"
#include "wizard/fatal.h"

namespace {

constexpr int kHeaderWidth = 500;
constexpr int kStripWidth = 495;

struct FontLook {
  int points;
  int weight;
  DWORD quality;
};

// All "Tahoma", default character set; the height is minus the point size
// scaled by the display's vertical dots per inch over 72.
constexpr FontLook kFonts[4] = {
    {14, FW_NORMAL, PROOF_QUALITY},  // 0: titles of the welcome and finish pages
    {7, FW_NORMAL, PROOF_QUALITY},   // 1: the legal notice
    {9, FW_NORMAL, PROOF_QUALITY},   // 2: second header line
    {10, FW_BOLD, DEFAULT_QUALITY},  // 3: first header line
};

void CreateFontsAndBuiltInImages(WizardState& w) {
  w.white = CreateSolidBrush(RGB(255, 255, 255));
  HDC screen = GetDC(nullptr);
  int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  for (int i = 0; i < 4; ++i) {
    const FontLook& f = kFonts[i];
    w.fonts[i] = CreateFontW(-MulDiv(f.points, dpi, 72), 0, 0, 0, f.weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, f.quality, DEFAULT_PITCH, L"Tahoma");
  }
  w.box = CreateBoxIcon();
  w.strip = CreateStripBitmap();
  w.folder = CreateFolderIcon();
  w.group = CreateGroupIcon();
}

// The header texts of pages 1 to 5: first and second line.
constexpr int kHeaderKeys[5][2] = {{13, 14}, {15, 16}, {17, 18}, {19, 20}, {21, 22}};

// True when the file holds the colours and pixels its headers state.
bool BitmapFileFits(const std::wstring& path) {
  ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  int64_t size = 0;
  unsigned char head[kBitmapHeadBytes] = {};
  DWORD got = 0;
  return file.valid() && FileSizeOf(file.get(), &size) && ReadFile(file.get(), head, sizeof head, &got, nullptr) &&
         BitmapFitsFile(head, got, static_cast<uint64_t>(size));
}

// LoadImage reads the pixels as the headers state them, also past the end
// of a file cut short (under Wine the process ends with an access
// violation): such a file is not loaded.
HBITMAP LoadBitmapFile(const std::wstring& path) {
  if (!BitmapFileFits(path)) return nullptr;
  return static_cast<HBITMAP>(
      LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
}

// Draws rows from..to (in 1/96 inch) across a bitmap in a system colour.
void Rows(HDC dc, int from, int to, int width, int colour, int dpi) {
  RECT r = {0, ui::Scale(from, dpi), ui::Scale(width, dpi), ui::Scale(to, dpi)};
  FillRect(dc, &r, SystemColourBrush(colour));
}

// Two rows at the bottom of the header and the separator: an etched edge.
void Etch(HBITMAP bitmap, int width, int top, int dpi) {
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) return;
  HGDIOBJ old = SelectObject(dc, bitmap);
  Rows(dc, top, top + 1, width, COLOR_BTNSHADOW, dpi);
  Rows(dc, top + 1, top + 2, width, COLOR_BTNHIGHLIGHT, dpi);
  SelectObject(dc, old);
  DeleteDC(dc);
}

// A header for a DPI: the template at that size, etched, with its two lines
// in the fonts for that DPI.
HBITMAP DrawHeader(const WizardState& w, const std::wstring& first, const std::wstring& second, int dpi) {
  HBITMAP copy = dpi == 96 ? static_cast<HBITMAP>(CopyImage(w.headerTemplate, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION))
                           : ui::ScaledBitmap(w.headerTemplate, 96, dpi);
  if (!copy) return nullptr;  // that page goes without a header
  Etch(copy, kHeaderWidth, 58, dpi);
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) return copy;  // a header without texts
  HGDIOBJ old = SelectObject(dc, copy);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, static_cast<COLORREF>(Settings().headerTextColour));
  HGDIOBJ oldFont = SelectObject(dc, ui::FontFor(w.fonts[3], dpi));
  TextOutW(dc, ui::Scale(10, dpi), ui::Scale(11, dpi), first.c_str(), static_cast<int>(first.size()));
  SelectObject(dc, ui::FontFor(w.fonts[2], dpi));
  TextOutW(dc, ui::Scale(10, dpi), ui::Scale(32, dpi), second.c_str(), static_cast<int>(second.size()));
  SelectObject(dc, oldFont);
  SelectObject(dc, old);
  DeleteDC(dc);
  return copy;
}

HBITMAP WhitePage(HBRUSH white, int width, int height) {
  HDC screen = GetDC(nullptr);
  HBITMAP page = CreateCompatibleBitmap(screen, width, height);
  ReleaseDC(nullptr, screen);
  HDC dc = CreateCompatibleDC(nullptr);
  if (page && dc) {
    HGDIOBJ old = SelectObject(dc, page);
    RECT all = {0, 0, width, height};
    FillRect(dc, &all, white);
    SelectObject(dc, old);
  }
  if (dc) DeleteDC(dc);
  return page;
}

// The wizard whose pictures a change of DPI draws anew.
WizardState* g_drawnFor = nullptr;

}  // namespace

void PrepareImages(WizardState& w) {
  g_drawnFor = &w;
  CreateFontsAndBuiltInImages(w);
  w.wizardBitmap = LoadBitmapFile(Paths().wizardBitmap);
  if (!w.wizardBitmap) EndWithKey(11);
  w.headerTemplate = LoadBitmapFile(Paths().headerBitmap);
  if (!w.headerTemplate) EndWithKey(12);
  Etch(w.strip, kStripWidth, 0, 96);
  w.whitePage = WhitePage(w.white, 496, 310);
}

void ShowDrawnImages(int dpi) {
  if (!g_drawnFor) return;
  WizardState& w = *g_drawnFor;
  const int headers[5] = {kLicenseHeader, kReadMeHeader, kDestinationHeader, kGroupHeader, kInstallHeader};
  for (int i = 0; i < 5; ++i) {
    HBITMAP old = w.headers[i];
    w.headers[i] = DrawHeader(w, Text(kHeaderKeys[i][0]), Text(kHeaderKeys[i][1]), dpi);
    ui::SetBitmap(headers[i], w.headers[i], dpi);
    if (old) DeleteObject(old);
  }
  // The separator's rows are drawn anew at the DPI's size.
  HBITMAP old = w.separator;
  w.separator = dpi == 96 ? nullptr : ui::ScaledBitmap(w.strip, 96, dpi);
  if (w.separator) {
    Etch(w.separator, kStripWidth, 0, dpi);
    ui::SetBitmap(kSeparator, w.separator, dpi);
  } else {
    ui::SetBitmap(kSeparator, w.strip);
  }
  if (old) DeleteObject(old);
}
