#include "install/upgrade.h"

#include "install/shared/digest_book.h"

#include "common/prelude.h"

#include "common/files.h"
#include "common/journal.h"
#include "common/log.h"
#include "common/sha256.h"
#include "common/text.h"
#include "install/shared/path_guard.h"
#include "install/uninstall_data.h"
#include "install/shared/uninstall_entry.h"
#include "install/upgrade_rules.h"
#include "script/ini.h"
#include "startup/process.h"
#include "startup/command_line.h"

namespace {

// False without an entry (or without a program name, which would make the
// key the Uninstall key itself).
bool ReadEntry(UninstallEntry* e) {
  const std::wstring name = Settings().programName;
  return !text::Trim(name, L" ").empty() && ReadUninstallEntry(name, e);
}

}  // namespace

std::wstring EarlierInstallFolder() {
  UninstallEntry e;
  if (!ReadEntry(&e)) return L"";
  const std::wstring folder = text::WithBackslash(e.location.empty() ? text::FolderPart(e.uninstaller) : e.location);
  return IsFullFolderPath(folder) ? folder : L"";
}

void NoteEarlierVersion() {
  UninstallEntry e;
  if (!ReadEntry(&e) || e.version.empty()) return;
  if (CompareVersions(Settings().programVersion, e.version) < 0)
    LogLine(L"version " + Settings().programVersion + L" replaces the installed, higher version " + e.version);
}

void TakeOverEarlier(UninstallContents* contents, const std::wstring& newUninstaller, FileJournal& journal,
                     PathGuard& guard) {
  UninstallEntry e;
  if (!ReadEntry(&e) || e.uninstaller.empty() || text::Lower(e.uninstaller) == text::Lower(newUninstaller)) return;
  const size_t dot = e.uninstaller.rfind(L'.');
  // Only an uninstaller this platform writes ("Uninst" and a number), and
  // never through a path the removal itself would refuse.
  const std::wstring file = text::Lower(text::FilePart(e.uninstaller));
  if (dot == std::wstring::npos || text::Lower(e.uninstaller.substr(dot)) != L".exe" ||
      file.size() <= 10 || file.compare(0, 6, L"uninst") != 0 ||
      file.find_first_not_of(L"0123456789", 6) != file.size() - 4 || !IsDeletableFilePath(guard, e.uninstaller)) {
    LogLine(L"earlier installation not taken over: its entry names no uninstaller of this platform");
    return;
  }
  const std::wstring data = e.uninstaller.substr(0, dot) + L".dat";
  std::string bytes;
  if (!ReadWholeFile(data, &bytes)) {
    LogLine(L"earlier installation not taken over: its uninstall data " + data + L" cannot be read");
    return;
  }
  // The same checks as the uninstaller's: data edited since its entry (or
  // the platform's book of digests) was written is not taken over, and its
  // uninstaller stays.
  const std::wstring digest = Sha256Hex(bytes.data(), bytes.size());
  const std::wstring booked = ReadDigestBookEntry(DigestBookName(guard, data));
  if ((!e.digest.empty() && digest != e.digest) || (!booked.empty() && digest != booked)) {
    LogLine(L"earlier uninstall data not taken over: " + data + L" does not match its digest");
    return;
  }
  const UninstallContents earlier = ReadUninstallContents(bytes);
  if (text::Lower(earlier.appName) != text::Lower(contents->appName)) {
    LogLine(L"earlier installation not taken over: its uninstall data names another program");
    return;
  }
  MergeEarlierContents(contents, earlier);
  LogLine(L"takes over the earlier installation: " + data);
  for (const std::wstring& path : {e.uninstaller, data}) {
    journal.Touching(path);
    journal.Remove(path);
  }
}
