#include "script/token_rules.h"

#include "common/text.h"

const wchar_t* const kPathTokens[kPathTokenCount] = {
    L"<ProgramFiles>",       L"<RootPartition>",   L"<DefaultInstallPath>",    L"<Windows>",
    L"<System>",             L"<PureBasic>",       L"<AllUsersQuickLaunch>",   L"<QuickLaunch>",
    L"<AllUsersStartPrograms>", L"<StartPrograms>", L"<AllUsersDesktop>",      L"<Desktop>",
    L"<AllUsersStart>",      L"<Start>",           L"<AllUsersDocuments>",     L"<Documents>",
    L"<Temp>",               L"<DefaultStartMenuGroup>",
};

const wchar_t* const kTextVariables[kTextVariableCount] = {
    L"<ProgramName>", L"<ProgramVersion>", L"<CompanyName>", L"<CompanyWebsite>", L"<SupportEmail>",
};

namespace {

// The replacement order, as location indexes: the system's folders first,
// the install folder and the Start-menu group last.
constexpr int kPathTokenOrder[kPathTokenCount] = {0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 2, 17};

constexpr int kMaxPasses = 24;

size_t CountNoCase(const std::wstring& text, const std::wstring& what) {
  const std::wstring hay = text::Lower(text), needle = text::Lower(what);
  size_t n = 0;
  for (size_t at = hay.find(needle); at != std::wstring::npos; at = hay.find(needle, at + needle.size())) ++n;
  return n;
}

// `limit` is the longest the text may become; the text is never longer.
std::wstring ReplaceIfPresent(const std::wstring& text, const std::wstring& token,
                              std::wstring (*value)(const TokenValues&, int), const TokenValues& values, int index,
                              size_t limit) {
  const size_t found = CountNoCase(text, token);
  if (!found) return text;
  const std::wstring v = value(values, index);
  if (v.empty()) return text;
  if (v.size() > token.size() && v.size() - token.size() > (limit - text.size()) / found) return text;
  return text::ReplaceAllNoCase(text, token, v);
}

std::wstring PathValue(const TokenValues& values, int index) { return values.PathToken(index); }
std::wstring TextValue(const TokenValues& values, int index) { return values.TextVariable(index); }

std::wstring PathPass(const std::wstring& text, const TokenValues& values, size_t limit) {
  std::wstring out = text;
  for (int index : kPathTokenOrder) out = ReplaceIfPresent(out, kPathTokens[index], PathValue, values, index, limit);
  return out;
}

std::wstring TextPass(const std::wstring& text, const TokenValues& values, size_t limit) {
  std::wstring out = text;
  for (int i = 0; i < kTextVariableCount; ++i) out = ReplaceIfPresent(out, kTextVariables[i], TextValue, values, i, limit);
  return out;
}

size_t LimitFor(const std::wstring& text) { return text.size() + kMaxExpansionGrowth; }

}  // namespace

std::wstring ExpandPathTokensWith(const std::wstring& text, const TokenValues& values) {
  return PathPass(text, values, LimitFor(text));
}

std::wstring ExpandTextVariablesWith(const std::wstring& text, const TokenValues& values) {
  return TextPass(text, values, LimitFor(text));
}

std::wstring CollapseBackslashes(const std::wstring& text) {
  constexpr wchar_t kFieldSeparator = 0x00B6;  // the task lines' pilcrow
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (text[i] == L'\\' && i + 1 < text.size() && text[i + 1] == L'\\') {
      // A network path's "\\" at the start of the text or of a field stays.
      const bool start = i == 0 || text[i - 1] == kFieldSeparator;
      out += start ? L"\\\\" : L"\\";
      i += 2;
    } else {
      out += text[i++];
    }
  }
  return out;
}

std::wstring ExpandTokensWith(const std::wstring& text, const TokenValues& values) {
  const size_t limit = LimitFor(text);
  std::wstring out = text;
  for (int pass = 0; pass < kMaxPasses; ++pass) {
    out = TextPass(PathPass(out, values, limit), values, limit);
    if (out.find_first_of(L"<>") == std::wstring::npos) break;
  }
  return CollapseBackslashes(out);
}

std::wstring TokenFolderWith(int locationIndex, const TokenValues& values) {
  std::wstring folder;
  if (locationIndex >= 0 && locationIndex < kPathTokenCount)
    folder = ExpandPathTokensWith(kPathTokens[locationIndex], values);
  return text::WithBackslash(folder);
}

std::wstring ApplyWizardVariablesWith(const std::wstring& text, const std::wstring& name,
                                      const std::wstring& version) {
  return text::ReplaceAllNoCase(text::ReplaceAllNoCase(text, L"$APPNAME$", name), L"$APPVERSION$", version);
}
