// The images built into the setup stub: images 0, 2 and 3 are 32 by 32
// icons decoded from the pixel art in startup/art, image 1 is the 495 by 2
// strip that the wizard draws its separator on.
#pragma once

#include "common/prelude.h"

HICON CreateBoxIcon();     // image 0
HBITMAP CreateStripBitmap();  // image 1
HICON CreateFolderIcon();  // image 2
HICON CreateGroupIcon();   // image 3
