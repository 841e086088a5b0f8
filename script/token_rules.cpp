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

std::wstring ReplaceIfPresent(const std::wstring& text, const wchar_t* token, std::wstring (*value)(const TokenValues&, int),
                              const TokenValues& values, int index) {
  if (!text::ContainsNoCase(text, token)) return text;
  const std::wstring v = value(values, index);
  return v.empty() ? text : text::ReplaceAllNoCase(text, token, v);
}

std::wstring PathValue(const TokenValues& values, int index) { return values.PathToken(index); }
std::wstring TextValue(const TokenValues& values, int index) { return values.TextVariable(index); }

}  // namespace

std::wstring ExpandPathTokensWith(const std::wstring& text, const TokenValues& values) {
  std::wstring out = text;
  for (int index : kPathTokenOrder) out = ReplaceIfPresent(out, kPathTokens[index], PathValue, values, index);
  return out;
}

std::wstring ExpandTextVariablesWith(const std::wstring& text, const TokenValues& values) {
  std::wstring out = text;
  for (int i = 0; i < kTextVariableCount; ++i) out = ReplaceIfPresent(out, kTextVariables[i], TextValue, values, i);
  return out;
}

std::wstring CollapseBackslashes(const std::wstring& text) { return text::ReplaceAll(text, L"\\\\", L"\\"); }

std::wstring ExpandTokensWith(const std::wstring& text, const TokenValues& values) {
  std::wstring out = text;
  for (int pass = 0; pass < kMaxPasses; ++pass) {
    out = ExpandTextVariablesWith(ExpandPathTokensWith(out, values), values);
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
