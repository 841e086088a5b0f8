// How an installation takes over an earlier one of the same product: the
// order of two version numbers, and one uninstall record made of the
// earlier installation's and this one's. Pure logic.
#pragma once

#include <string>

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
// folder elsewhere is recorded as a folder of the product (removed when it
// is empty), since the earlier uninstaller that knew it goes away.
void MergeEarlierContents(UninstallContents* now, const UninstallContents& earlier);
