#include "install/install_state.h"

InstallState& Installation() {
  static InstallState* state = new InstallState;
  return *state;
}
