#include "install/upgrade_rules.h"

#include <algorithm>

#include "common/text.h"

namespace {

// The number at `*at` (its digits), and `*at` moved past the next dot.
unsigned long long NextField(const std::wstring& v, size_t* at) {
  unsigned long long n = 0;
  size_t i = *at;
  while (i < v.size() && v[i] >= L'0' && v[i] <= L'9') {
    if (n < 1000000000000ULL) n = n * 10 + (v[i] - L'0');
    ++i;
  }
  while (i < v.size() && v[i] != L'.') ++i;
  *at = i < v.size() ? i + 1 : i;
  return n;
}

bool Holds(const std::vector<std::wstring>& lowered, const std::wstring& text) {
  return std::find(lowered.begin(), lowered.end(), text::Lower(text)) != lowered.end();
}

}  // namespace

int CompareVersions(const std::wstring& a, const std::wstring& b) {
  const std::wstring x = text::Trim(a), y = text::Trim(b);
  size_t i = 0, j = 0;
  while (i < x.size() || j < y.size()) {
    const unsigned long long m = NextField(x, &i), n = NextField(y, &j);
    if (m != n) return m < n ? -1 : 1;
  }
  return 0;
}

void MergeEarlierContents(UninstallContents* now, const UninstallContents& earlier) {
  std::vector<std::wstring> files;
  for (const std::wstring& f : now->files) files.push_back(text::Lower(f));
  std::vector<std::wstring> kept;
  for (const std::wstring& f : earlier.files)
    if (!Holds(files, f)) {
      kept.push_back(f);
      files.push_back(text::Lower(f));
    }
  now->files.insert(now->files.begin(), kept.begin(), kept.end());

  std::vector<std::wstring> lines;
  for (const RecordEntry& e : now->installRecord) lines.push_back(text::Lower(FormatRecord(e.record)));
  std::vector<RecordEntry> record;
  const std::wstring here = text::Lower(text::WithBackslash(now->installPath));
  const std::wstring there = text::Lower(text::WithBackslash(earlier.installPath));
  if (!earlier.installPath.empty() && there != here) {
    if (earlier.installPathCreated) {
      record.push_back(
          {L"EarlierInstallFolder", PathRecord(RecordKind::kFolder, text::WithBackslash(earlier.installPath))});
      lines.push_back(text::Lower(FormatRecord(record.back().record)));
    }
  } else if (earlier.installPathCreated) {
    now->installPathCreated = true;
  }
  for (const RecordEntry& e : earlier.installRecord) {
    const std::wstring line = FormatRecord(e.record);
    if (line.empty() || Holds(lines, line)) continue;
    lines.push_back(text::Lower(line));
    record.push_back(e);
  }
  // Written before this run's own: the earlier installation happened first.
  record.insert(record.end(), now->installRecord.begin(), now->installRecord.end());
  now->installRecord.swap(record);
}

EarlierFiles::EarlierFiles(const std::vector<std::wstring>& files) : files_(files) {
  bool added;
  for (const std::wstring& f : files) names_.At(text::Lower(f), &added);
}

void EarlierFiles::Listed(const std::wstring& file) {
  if (size_t* listed = names_.Find(text::Lower(file))) *listed = 1;
}

std::vector<std::wstring> EarlierFiles::Left() {
  std::vector<std::wstring> left;
  for (const std::wstring& f : files_)
    if (!*names_.Find(text::Lower(f))) left.push_back(f);
  return left;
}
