#include "install/install_state.h"

void RunJournal::RollBack() {
  registry.RollBackBeforeFiles();
  files.RollBack();
  registry.RollBackAfterFiles();
}

void RunJournal::Commit() {
  files.Commit();
  registry.Commit();
}
