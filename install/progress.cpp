#include "install/progress.h"

#include <cmath>

#include "common/event_queue.h"
#include "common/fatal_end.h"
#include "common/files.h"
#include "common/journal.h"
#include "common/log.h"
#include "common/message_box.h"
#include "common/outcome.h"
#include "common/prelude.h"
#include "common/text.h"
#include "common/toolkit.h"
#include "install/install_state.h"
#include "install/messages.h"
#include "install/registry_journal.h"
#include "package/extract.h"
#include "script/localization.h"
#include "startup/process.h"
#include "wizard/controls.h"

namespace {

bool g_cancelled = false;

// A click on Cancel asks; true when the user confirmed. Any other event, a
// request to close the window included, changes nothing.
bool CancelConfirmed() {
  ui::Event e = ui::PollEvent();
  if (e.type != ui::EventType::kControl || e.id != kCancelButton) return false;
  if (ui::Message(Text(66), Text(65), MB_YESNO | MB_ICONSTOP) != IDYES) return false;
  NoteOutcome(kCancelled);
  return true;
}


int Percent(float percent) { return static_cast<int>(std::lround(percent)); }

}  // namespace

int ExtractionProgress(const std::wstring& entryName, float percent) {
  if (!entryName.empty()) {
    // The bar and the status line are repainted at most every 40 ms: drawn
    // for every small file, they took more time than the unpacking.
    static DWORD shown = 0;
    const DWORD now = GetTickCount();
    if (now - shown >= 40 || percent >= 100.0f) {
      shown = now;
      ui::SetProgress(kProgressBar, Percent(percent));
      ui::SetText(kStatusLine, Text(92) + L" " + text::FilePart(entryName));
    }
    const std::wstring path = Installation().installFolder + entryName;
    Installation().installedFiles.Append(path.data(), path.size() * sizeof(wchar_t));
    LogLine(L"unpacked " + path);
  }
  // The extraction stops and closes the payload copy first, so that the
  // clean-up can delete it (see InstallationCancelled).
  if (CancelConfirmed()) g_cancelled = true;
  return g_cancelled ? 1 : 0;
}

bool InstallationCancelled() { return g_cancelled; }

int DownloadProgress(const std::wstring&, float percent) {
  ui::SetProgress(kProgressBar, Percent(percent));
  if (CancelConfirmed()) g_cancelled = true;
  return g_cancelled ? 1 : 0;
}

void EndInstallation(InstallResult result) {
  if (result == InstallResult::kInstalled) return;
  if (result == InstallResult::kFailed) {
    NoteOutcome(kFailed);
    ui::Message(messages::kNotUnpacked, Text(0), ui::kErrorIcon);
  }
  Rollback();
  CleanUp(0);
  EndPlain();
}

void RollBackUnfinished() {
  Rollback();
  RemoveWorkFolder();
}

int Rollback() {
  SetUnfinishedWork(RemoveWorkFolder);  // taken back once, whatever ends the run now
  LetGoOfFolders();  // an end in the middle of the unpacking
  Installation().journal.RollBack();
  Installation().installRecord.clear();
  Installation().installedFiles.Clear();
  return 1;
}
