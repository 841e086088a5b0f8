#include "uninstaller/first_stage.h"

#include "common/files.h"
#include "common/prelude.h"
#include "common/random.h"
#include "common/system_api.h"
#include "common/text.h"
#include "common/toolkit.h"
#include "uninstaller/messages.h"
#include "uninstaller/paths.h"
#include "uninstaller/programs.h"

namespace {
constexpr uint32_t kHighestNumber = 77777777;
}  // namespace

void RunFirstStage() {
  const std::wstring temp = TempFolder();
  std::wstring program, data;
  do {
    program = temp + text::Decimal(RandomUpTo(kHighestNumber)) + L".exe";
    data = WithExtension(program, L"dat");
  } while (PathExists(program) || PathExists(data));

  const std::wstring self = OwnPath();
  const std::wstring installedData = WithExtension(self, L"dat");
  if (CopyFileW(self.c_str(), program.c_str(), FALSE) && CopyFileW(installedData.c_str(), data.c_str(), FALSE) &&
      StartCommand(program, L"\"" + installedData + L"\" \"" + self + L"\"", false))
    return;

  // Both names were free before: whatever is there now is a partial copy.
  DeleteFileW(program.c_str());
  DeleteFileW(data.c_str());
  ui::Message(uninstall_text::kCannotStart, uninstall_text::kErrorTitle, ui::kErrorIcon);
}
