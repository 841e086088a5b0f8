// The uninstaller. It is written beside the installed product and removes
// it again.
#include "common/prelude.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  ExitProcess(0);
}
