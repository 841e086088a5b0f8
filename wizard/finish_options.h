// The finish page's options: the install tasks that ask to be offered
// there instead of running in the task phase, and the restart. Pure logic.
#pragma once

#include <string>
#include <vector>

#include "script/settings.h"

struct FinishOption {
  std::wstring text;      // the item of the check list
  std::wstring taskName;  // the name the executor records under
  std::wstring line;      // the task line the executor runs when the item stays ticked
};

using TextLookup = const std::wstring& (*)(int key);

// NORMALLINK and INTERNETLINK lines whose field 5 reads as 1 and RUN lines
// whose field 4 reads as 0, in task order, then the restart when offered.
// The option lines have the flag turned so that the executor carries them out.
std::vector<FinishOption> BuildFinishOptions(const std::vector<TaskEntry>& tasks, bool offerRestart,
                                             TextLookup text);

// "in the Program Files folder", "on the Desktop": the phrase for a
// location index given as text ("0" to "17").
std::wstring PlacePhrase(const std::wstring& index, TextLookup text);
