#include "uninstaller/first_stage.h"

#include "common/files.h"
#include "common/handles.h"
#include "common/message_box.h"
#include "common/outcome.h"
#include "common/prelude.h"
#include "common/quiet_run.h"
#include "common/random.h"
#include "common/system_api.h"
#include "common/text.h"
#include "install/shared/program_start.h"
#include "uninstaller/handover.h"
#include "uninstaller/messages.h"
#include "uninstaller/paths.h"

namespace {

constexpr uint32_t kHighestNumber = 77777777;

// Copies a file into a new one that nobody else can open meanwhile.
bool CopyInto(const std::wstring& from, const std::wstring& to) {
  std::string bytes;
  ScopedHandle source(CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ScopedHandle target(CreateNewFile(to));
  if (!source.valid() || !target.valid()) return false;
  char buffer[65536];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(source.get(), buffer, sizeof buffer, &got, nullptr)) return false;
    if (got == 0) return true;
    if (!WriteAll(target.get(), buffer, got)) return false;
  }
}

}  // namespace

void RunFirstStage(const std::wstring& log) {
  // A new folder of its own in the temporary folder, named like the copy:
  // nothing can be planted beside the copy (a library it would load) or
  // swapped for it before it starts.
  const std::wstring temp = TempFolder();
  std::wstring folder, program, data;
  for (int attempt = 0; attempt < 1000 && folder.empty(); ++attempt) {
    const std::wstring number = text::Decimal(RandomUpTo(kHighestNumber));
    if (!CreatePrivateFolder(temp + number)) continue;
    folder = temp + number + L"\\";
    program = folder + number + L".exe";
    data = WithExtension(program, L"dat");
  }

  const std::wstring self = OwnPath();
  const std::wstring installedData = WithExtension(self, L"dat");
  const std::wstring parameters = L"\"" + installedData + L"\" \"" + self + L"\"";
  const std::wstring logSwitch = log.empty() ? std::wstring() : L" \"/LOG=" + log + L"\"";
  if (!folder.empty() && CopyInto(self, program) && CopyInto(installedData, data)) {
    // A removal without questions waits for the copy's outcome, which is
    // the one the caller gets.
    const ProgramStart copy{program, parameters + logSwitch, L"", StartWay::kFile, nullptr, kProgramChooses};
    if (!ui::Quiet() && StartProgram(copy) != Started::kNot) return;
    Outcome outcome = kFailed;
    if (ui::Quiet() && RunCopyForOutcome(program, parameters + L" /S" + logSwitch, &outcome)) {
      NoteOutcome(outcome);
      return;
    }
  }

  // The folder was new: whatever is in it is a partial copy.
  if (!folder.empty()) {
    DeleteFileW(program.c_str());
    DeleteFileW(data.c_str());
    RemoveDirectoryW(folder.c_str());
  }
  NoteOutcome(kFailed);
  ui::Message(uninstall_text::kCannotStart, uninstall_text::kErrorTitle, ui::kErrorIcon);
}
