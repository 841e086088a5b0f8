#include "script/token_rules.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// Values a test chooses; counts how often each token was looked up.
class FakeValues : public TokenValues {
 public:
  std::map<int, std::wstring> paths;
  std::map<int, std::wstring> variables;
  mutable std::map<int, int> lookups;
  std::wstring PathToken(int i) const override {
    ++lookups[i];
    auto it = paths.find(i);
    return it == paths.end() ? std::wstring() : it->second;
  }
  std::wstring TextVariable(int i) const override {
    auto it = variables.find(i);
    return it == variables.end() ? std::wstring() : it->second;
  }
};

}  // namespace

TEST(Tokens, AnyCaseIsReplacedAndDoubledBackslashesCollapse) {
  FakeValues v;
  v.paths[0] = L"C:\\Program Files\\";
  v.variables[0] = L"Demo";
  EXPECT_EQ(ExpandTokensWith(L"<PROGRAMFILES>\\<programname>", v), L"C:\\Program Files\\Demo");
  EXPECT_EQ(ExpandTokensWith(L"<ProgramFiles>\\<ProgramName>", v), L"C:\\Program Files\\Demo");
}

TEST(Tokens, OnlyTokensPresentAreLookedUp) {
  FakeValues v;
  v.paths[11] = L"C:\\Users\\u\\Desktop\\";
  ExpandTokensWith(L"<Desktop>x", v);
  EXPECT_EQ(v.lookups.size(), 1u);
  EXPECT_EQ(v.lookups[11], 1);
}

TEST(Tokens, NetworkPathsKeepTheirLeadingBackslashes) {
  FakeValues v;
  v.paths[2] = L"\\\\server\\share\\";
  EXPECT_EQ(ExpandTokensWith(L"<DefaultInstallPath>\\app.exe", v), L"\\\\server\\share\\app.exe");
  EXPECT_EQ(ExpandTokensWith(L"COPYFILE\u00B6<DefaultInstallPath>a\u00B6<DefaultInstallPath>b", v),
            L"COPYFILE\u00B6\\\\server\\share\\a\u00B6\\\\server\\share\\b");
  EXPECT_EQ(TokenFolderWith(2, v), L"\\\\server\\share\\");
  EXPECT_EQ(CollapseBackslashes(L"a\\\\\\b"), L"a\\\\b");
  EXPECT_EQ(CollapseBackslashes(L"x\u00B6\\\\\\s"), L"x\u00B6\\\\\\s");
}

TEST(Tokens, EmptyValuesLeaveTheTokenForAllPasses) {
  FakeValues v;
  EXPECT_EQ(ExpandTokensWith(L"mail <SupportEmail> at <DefaultInstallPath>", v),
            L"mail <SupportEmail> at <DefaultInstallPath>");
  EXPECT_EQ(v.lookups[2], 24);  // the text keeps an angle bracket: every pass looks again
}

TEST(Tokens, ValuesHoldingTokensAreExpandedInTheNextPass) {
  FakeValues v;
  v.paths[17] = L"<StartPrograms>Demo\\";
  v.paths[9] = L"C:\\Menu\\";
  EXPECT_EQ(ExpandTokensWith(L"<DefaultStartMenuGroup>App.lnk", v), L"C:\\Menu\\Demo\\App.lnk");
}

TEST(Tokens, ReplacementOrderPutsTheInstallFolderAfterTheSystemFolders) {
  FakeValues v;
  v.paths[2] = L"<Temp>";
  v.paths[16] = L"T\\";
  // One path pass: <DefaultInstallPath> comes after <Temp>, so its value is not expanded yet.
  EXPECT_EQ(ExpandPathTokensWith(L"<DefaultInstallPath>", v), L"<Temp>");
}

TEST(Tokens, TokenFolderAppendsOneBackslash) {
  FakeValues v;
  v.paths[17] = L"C:\\Menu\\Demo\\";
  v.paths[0] = L"C:\\Program Files";
  EXPECT_EQ(TokenFolderWith(17, v), L"C:\\Menu\\Demo\\");
  EXPECT_EQ(TokenFolderWith(0, v), L"C:\\Program Files\\");
  EXPECT_EQ(TokenFolderWith(18, v), L"\\");
  EXPECT_EQ(TokenFolderWith(-1, v), L"\\");
  EXPECT_EQ(TokenFolderWith(2, v), L"<DefaultInstallPath>\\");
}

TEST(Tokens, StartIsNotStartPrograms) {
  FakeValues v;
  v.paths[13] = L"S\\";
  v.paths[9] = L"P\\";
  EXPECT_EQ(ExpandPathTokensWith(L"<Start>|<StartPrograms>", v), L"S\\|P\\");
}

TEST(Tokens, WizardMarkersAreReplacedEvenByEmptyValues) {
  EXPECT_EQ(ApplyWizardVariablesWith(L"Welcome to $appname$ version $APPVERSION$.", L"Demo", L""),
            L"Welcome to Demo version .");
}

TEST(Tokens, ValuesHoldingTheirOwnTokenStopGrowing) {
  FakeValues v;
  v.paths[16] = L"<Temp><Temp>";
  // Each pass doubles the text until a doubling would add more than kMaxExpansionGrowth.
  EXPECT_EQ(ExpandTokensWith(L"<Temp>", v), [] {
    std::wstring eightThousand;
    for (int i = 0; i < 8192; ++i) eightThousand += L"<Temp>";
    return eightThousand;
  }());
  EXPECT_EQ(v.lookups[16], 24);
  // A long text still grows by what its tokens need.
  v.paths[16] = L"C:\\T\\";
  const std::wstring filler(100000, L'x');
  EXPECT_EQ(ExpandTokensWith(filler + L"<Temp>", v), filler + L"C:\\T\\");
}
