#include "wizard/finish_options.h"

#include "common/text.h"
#include "install/task_line.h"
#include "script/integer.h"

namespace {

// Text keys of the items.
enum : int {
  kInThe = 42,
  kOnThe = 43,
  kFirstPlace = 44,  // 44 + location index: "Program Files folder" ... "program group (Start Menu) folder"
  kCreateShortcut = 62,
  kCreateInternetLink = 63,
  kRun = 64,
  kRebootTask = 93,
  kRestartItem = 94,
  kFor = 96,
};

std::vector<std::wstring> Fields(const TaskFields& f, std::initializer_list<size_t> numbers) {
  std::vector<std::wstring> out;
  for (size_t n : numbers) out.push_back(f[n]);
  return out;
}

}  // namespace

std::wstring PlacePhrase(const std::wstring& index, TextLookup text) {
  for (int n = 0; n <= 17; ++n) {
    if (index != text::Decimal(n)) continue;
    return text(n == 10 || n == 11 ? kOnThe : kInThe) + L" " + text(kFirstPlace + n);
  }
  return text(kInThe) + L" " + index;  // the authoring tool writes only 0 to 17
}

std::vector<FinishOption> BuildFinishOptions(const std::vector<TaskEntry>& tasks, bool offerRestart,
                                             TextLookup text) {
  std::vector<FinishOption> options;
  for (const TaskEntry& task : tasks) {
    TaskFields f(task.line);
    const std::wstring& kind = f[1];
    if (kind == keyword::kNormalLink && ReadInteger(f[5]) == 1) {
      std::vector<std::wstring> line = Fields(f, {1, 2, 3, 4});
      line.push_back(L"0");
      line.push_back(f[6]);
      line.push_back(f[7]);
      options.push_back({text(kCreateShortcut) + L" " + PlacePhrase(f[2], text) + L" " + text(kFor) + L" " + f[7],
                         task.name, JoinTaskLine(line)});
    } else if (kind == keyword::kInternetLink && ReadInteger(f[5]) == 1) {
      std::vector<std::wstring> line = Fields(f, {1, 2, 3, 4});
      line.push_back(L"0");
      options.push_back({text(kCreateInternetLink) + L" " + PlacePhrase(f[2], text), task.name, JoinTaskLine(line)});
    } else if (kind == keyword::kRun && ReadInteger(f[4]) == 0) {
      std::vector<std::wstring> line = Fields(f, {1, 2, 3});
      line.push_back(L"1");
      for (const std::wstring& rest : Fields(f, {5, 6, 7})) line.push_back(rest);
      options.push_back({text(kRun) + L" " + f[7], task.name, JoinTaskLine(line)});
    }
  }
  if (offerRestart) options.push_back({text(kRestartItem), text(kRebootTask), keyword::kRestart});
  return options;
}
