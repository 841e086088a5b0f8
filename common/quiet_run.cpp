#include "common/quiet_run.h"

namespace ui {

namespace {
bool g_quiet = false;  // no windows at all
bool g_passive = false;  // a quiet run that shows its progress window
}  // namespace

void SetQuiet(bool quiet, bool passive) {
  g_quiet = quiet;
  g_passive = quiet && passive;
}
bool Quiet() { return g_quiet; }
bool Passive() { return g_passive; }

}  // namespace ui
