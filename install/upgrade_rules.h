// How an installation takes over an earlier one of the same product: the
// order of two version numbers, and one uninstall record made of the
// earlier installation's and this one's. Pure logic.
#pragma once

#include <string>
#include <vector>

#include "install/key_table.h"
#include "install/uninstall_data.h"

// -1, 0 or 1 as `a` is lower than, equal to or higher than `b`. Dotted
// numbers compare field by field as numbers ("1.10" > "1.9"); a missing
// field counts as 0 ("2" == "2.0"); a field's leading digits are its number.
int CompareVersions(const std::wstring& a, const std::wstring& b);

// Adds to `now` what `earlier` holds and `now` does not: its files, and its
// install record's entries (compared by their stored lines, without regard
// to case). The earlier entries come first: the record stays in the order
// the actions happened, the earlier installation's before this one's. When
// both use the same install folder, the folder counts as the product's own
// if the earlier installation found it new or empty. An earlier install
// folder elsewhere goes with the product too: its files are listed, and the
// folder (when the earlier installation made it) is recorded as a folder of
// the product, removed when it is empty. Its uninstaller goes away at the
// upgrade, so nothing else could remove those files later; what the user
// put there stays, and so does the folder then.
void MergeEarlierContents(UninstallContents* now, const UninstallContents& earlier);

// An earlier installation's files as the uninstall data lists them once
// this installation's come after them: those this installation lists too
// are left out. This installation's files are told one by one (they need
// not all be in memory); finding one takes constant time on average.
class EarlierFiles {
 public:
  explicit EarlierFiles(const std::vector<std::wstring>& files);
  void Listed(const std::wstring& file);  // a file of this installation
  std::vector<std::wstring> Left();  // in their order

 private:
  std::vector<std::wstring> files_;
  KeyTable names_;  // the files' names in lower case, each with 1 once this installation lists it too
};
