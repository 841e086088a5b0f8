// What a person sees: screen pixels, screenshots and message-box icons.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace drive {

struct Pixels {
  int width = 0, height = 0;
  std::vector<COLORREF> rgb;  // row by row, top first
  COLORREF At(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
};

// Has the program paint the window and its children anew and waits until
// it has: nothing is left to paint and the program is back at its messages.
// False when that did not happen in time.
bool PaintAnew(HWND window, int timeoutMs = 10000);
// The pixels of a screen rectangle.
Pixels Capture(const RECT& screenRect);
// Saves a window (as it is on the screen) as a PNG file. False on failure.
bool SaveScreenshot(HWND window, const std::wstring& pngPath);

// Which system icon a message box shows (compared pixel by pixel with the
// system's own icons drawn over the same background).
enum class Icon;
Icon IdentifyIcon(HWND iconControl);

}  // namespace drive
