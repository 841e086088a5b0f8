// Path tokens and text variables: the names, the replacement orders and the
// expansion rules. Where the values come from is the caller's affair (the
// running system, in script/tokens.h), so that the rules are pure logic.
#pragma once

#include <cstddef>
#include <string>

constexpr int kPathTokenCount = 18;
constexpr int kTextVariableCount = 5;

// The path tokens by location index: the number that task lines use to name
// a place.
extern const wchar_t* const kPathTokens[kPathTokenCount];
// The text variables in their replacement order.
extern const wchar_t* const kTextVariables[kTextVariableCount];

// No replacement is made that would leave the text more than this many
// characters longer than the text given; its token stays. A value that holds
// its own token (an install folder typed as
// "<DefaultInstallPath><DefaultInstallPath>") would otherwise double the text
// with every pass.
constexpr size_t kMaxExpansionGrowth = 65536;

// Where the values come from. A value is asked for only when its token
// occurs in the text, and never kept.
class TokenValues {
 public:
  virtual std::wstring PathToken(int locationIndex) const = 0;
  virtual std::wstring TextVariable(int index) const = 0;

 protected:
  ~TokenValues() = default;
};

// One pass over the path tokens, in the replacement order: each token found
// (without regard to case) is replaced by its value unless the value is empty.
std::wstring ExpandPathTokensWith(const std::wstring& text, const TokenValues& values);
// One pass over the text variables, likewise.
std::wstring ExpandTextVariablesWith(const std::wstring& text, const TokenValues& values);
// Both passes until no "<" or ">" is left, at most 24 times; then the
// doubled backslashes are collapsed (CollapseBackslashes).
std::wstring ExpandTokensWith(const std::wstring& text, const TokenValues& values);
// The folder of one location index with a trailing backslash: one path pass
// over the bare token; "\" for an index outside 0 to 17.
std::wstring TokenFolderWith(int locationIndex, const TokenValues& values);
// "$APPNAME$" and "$APPVERSION$" (any case), replaced even by empty values.
std::wstring ApplyWizardVariablesWith(const std::wstring& text, const std::wstring& name,
                                      const std::wstring& version);
// Every "\\" becomes "\", scanning left to right (three backslashes become
// two), except one that begins the text or a task field: that is the start
// of a network path (\\server\share\...) and stays.
std::wstring CollapseBackslashes(const std::wstring& text);
