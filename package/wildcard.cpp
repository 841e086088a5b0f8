#include "package/wildcard.h"

#include "common/text.h"

namespace {

// Iterative matcher with one backtracking point for the last "*".
bool MatchOne(const std::wstring& name, const std::wstring& pattern) {
  size_t n = 0, p = 0;
  size_t starP = std::wstring::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == L'?' || pattern[p] == name[n])) {
      ++n, ++p;
    } else if (p < pattern.size() && pattern[p] == L'*') {
      starP = p++;
      starN = n;
    } else if (starP != std::wstring::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == L'*') ++p;
  return p == pattern.size();
}

}  // namespace

bool WildcardMatch(const std::wstring& name, const std::wstring& pattern) {
  std::wstring subject = text::Lower(name);
  if (subject.find(L'.') == std::wstring::npos) subject += L'.';
  for (const std::wstring& alternative : text::Split(text::Lower(pattern), L'|'))
    if (MatchOne(subject, alternative)) return true;
  return false;
}
