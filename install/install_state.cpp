#include "install/install_state.h"

InstallState& Installation() {
  static InstallState* state = new InstallState;
  return *state;
}

void RunJournal::RollBack() {
  registry.RollBackBeforeFiles();
  files.RollBack();
  registry.RollBackAfterFiles();
}

void RunJournal::Commit() {
  files.Commit();
  registry.Commit();
}
