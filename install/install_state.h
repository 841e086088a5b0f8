// What the installation keeps for the rest of the run: the install folder
// and the Start-menu group (the values of <DefaultInstallPath> and
// <DefaultStartMenuGroup>), the uninstaller's names, the installed files,
// the install record, the journal of what the run changed and what the
// guard of destructive work knows of this system. Whoever runs the
// installation owns it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/journal.h"
#include "common/progress_sink.h"
#include "common/record_list.h"
#include "install/install_record.h"
#include "install/shared/path_guard.h"
#include "install/registry_journal.h"
#include "script/settings.h"
#include "script/tokens.h"

// What the run changed, so that a Cancel or a failure puts everything back
// to the state before the run.
struct RunJournal {
  FileJournal files;         // files and folders
  RegistryJournal registry;  // the registry, servers, services and fonts
  // What the tasks changed beyond files goes back first, last change first;
  // then the files and folders; then servers registered before the run are
  // registered again from their own files.
  void RollBack();
  // The run completed: the files it replaced and the images are not needed
  // again.
  void Commit();
};

struct InstallState {
  std::wstring installFolder;  // empty until the install procedure starts
  std::wstring groupFolder;    // the group field's text, taken at every Next
  std::wstring uninstallerPath, uninstallDataPath;
  // The install folder did not exist, or was empty, when the installation
  // began: it is the product's own, and the uninstaller may remove it whole.
  bool installFolderCreated = false;
  uint64_t payloadBytes = 0;  // what the unpacked files take together
  // The full paths of the files unpacked, in their order: each a record of
  // UTF-16 units, kept in the work folder as the list grows.
  RecordList installedFiles;
  std::vector<RecordEntry> installRecord;
  RunJournal journal;
  PathGuard guard;

  // The folders the path tokens name.
  InstallFolders Folders() const { return {installFolder, groupFolder}; }
};

// An installation at work: its state, and the window (or none) that shows
// its progress and asks its questions.
struct InstallRun {
  InstallState& state;
  ProgressSink& progress;
};
