// Feeds arbitrary texts and token values to the expansion rules. Input: UTF-8
// lines; the first is the text, the next 18 the path token values by location
// index, the next 5 the text variables, the next 2 the wizard's name and
// version (missing lines give empty values).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/text.h"
#include "script/token_rules.h"

namespace {

class InputValues : public TokenValues {
 public:
  explicit InputValues(const std::vector<std::wstring>& lines) : lines_(lines) {}
  std::wstring PathToken(int i) const override { return Line(1 + Checked(i, kPathTokenCount)); }
  std::wstring TextVariable(int i) const override { return Line(1 + kPathTokenCount + Checked(i, kTextVariableCount)); }
  std::wstring Line(size_t n) const { return n < lines_.size() ? lines_[n] : std::wstring(); }
  mutable int lookups = 0;

 private:
  int Checked(int i, int count) const {
    if (i < 0 || i >= count) __builtin_trap();
    ++lookups;
    return i;
  }
  const std::vector<std::wstring>& lines_;
};

// Pairs of backslashes, but those that begin the text or a task field (a
// network path's start).
size_t PairsOfBackslashes(const std::wstring& s) {
  size_t n = 0;
  for (size_t i = 0; i + 1 < s.size(); ++i) {
    if (s[i] != L'\\' || s[i + 1] != L'\\') continue;
    if (i > 0 && s[i - 1] != wchar_t(0xB6)) ++n;
    ++i;
  }
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::wstring> lines = text::Split(text::FromUtf8(reinterpret_cast<const char*>(data), size), L'\n');
  const InputValues values(lines);
  const std::wstring& input = lines[0];

  // However the values name each other, the text grows only so far.
  const size_t limit = input.size() + kMaxExpansionGrowth;
  const std::wstring expanded = ExpandTokensWith(input, values);
  if (expanded.size() > limit) __builtin_trap();
  if (ExpandPathTokensWith(input, values).size() > limit) __builtin_trap();
  if (ExpandTextVariablesWith(input, values).size() > limit) __builtin_trap();

  const std::wstring collapsed = CollapseBackslashes(input);
  if (collapsed.size() != input.size() - PairsOfBackslashes(input)) __builtin_trap();

  // Empty values leave every token where it is.
  if (lines.size() == 1 && expanded != collapsed) __builtin_trap();

  // Without an angle bracket there is nothing to look up.
  if (input.find(L'<') == std::wstring::npos) {
    const int before = values.lookups;
    if (ExpandTokensWith(input, values) != collapsed) __builtin_trap();
    if (ExpandPathTokensWith(input, values) != input || ExpandTextVariablesWith(input, values) != input) __builtin_trap();
    if (values.lookups != before) __builtin_trap();
  }

  for (int i = -2; i < kPathTokenCount + 2; ++i) {
    const std::wstring folder = TokenFolderWith(i, values);
    if (folder.empty() || folder.back() != L'\\') __builtin_trap();
    if ((i < 0 || i >= kPathTokenCount) && folder != L"\\") __builtin_trap();
  }

  const std::wstring name = values.Line(1 + kPathTokenCount + kTextVariableCount);
  const std::wstring version = values.Line(2 + kPathTokenCount + kTextVariableCount);
  const std::wstring wizard = ApplyWizardVariablesWith(input, name, version);
  if (input.find(L'$') == std::wstring::npos && wizard != input) __builtin_trap();
  return 0;
}
