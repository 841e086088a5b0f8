#include "install/path_rules.h"

#include <gtest/gtest.h>

// One place under the names Windows accepts for it.
TEST(PathRules, NamesOfOnePlaceComeToOneForm) {
  const struct {
    const wchar_t* path;
    const wchar_t* form;
  } cases[] = {
      {L"C:\\Windows", L"c:\\windows\\"},
      {L"c:/WINDOWS/", L"c:\\windows\\"},
      {L"\\\\?\\C:\\Windows\\", L"c:\\windows\\"},
      {L"\\\\.\\C:\\Windows", L"c:\\windows\\"},
      {L"\\??\\C:\\Windows", L"c:\\windows\\"},
      {L"\\\\localhost\\c$\\Windows", L"c:\\windows\\"},
      {L"\\\\127.0.0.1\\C$\\Windows\\System32\\..", L"c:\\windows\\"},
      {L"\\\\TARNBOX\\c$\\windows", L"c:\\windows\\"},
      {L"\\\\?\\UNC\\localhost\\c$\\Windows", L"c:\\windows\\"},
      {L"C:\\Windows. \\.\\System32\\..\\", L"c:\\windows\\"},
      {L"  C:\\Windows\\\\  ", L"c:\\windows\\"},
      {L"C:\\..\\..\\Windows", L"c:\\windows\\"},
      {L"\\\\?\\UNC\\srv\\share\\x", L"\\\\srv\\share\\x\\"},
      {L"\\\\other\\c$\\Windows", L"\\\\other\\c$\\windows\\"},  // another computer's share stays a share
      {L"C:", L"c:\\"},
  };
  for (const auto& c : cases) EXPECT_EQ(GuardForm(c.path, L"TarnBox"), c.form) << c.path;
}

TEST(PathRules, WhatIsAbsoluteWhatIsARoot) {
  const struct {
    const wchar_t* path;
    bool absolute, root;
  } cases[] = {
      {L"", false, false},          {L"\\", false, false},         {L"folder\\x", false, false},
      {L"C:folder", false, false},  {L"\\\\?\\unix\\etc", false, false}, {L"\\\\.\\pipe\\x", false, false},
      {L"C:\\", true, true},        {L"\\\\?\\D:\\", true, true},   {L"\\\\srv\\share", true, true},
      {L"\\\\srv", true, true},     {L"\\\\srv\\share\\d", true, false}, {L"C:\\a", true, false},
  };
  for (const auto& c : cases) {
    const std::wstring form = GuardForm(c.path, L"");
    EXPECT_EQ(IsAbsoluteGuardForm(form), c.absolute) << c.path;
    if (c.absolute) {
      EXPECT_EQ(IsRootGuardForm(form), c.root) << c.path;
    }
  }
}

TEST(PathRules, ContainmentIsByWholeNames) {
  EXPECT_TRUE(ContainsGuardForm(L"c:\\windows\\", L"c:\\windows\\system32\\"));
  EXPECT_TRUE(ContainsGuardForm(L"c:\\windows\\", L"c:\\windows\\"));
  EXPECT_FALSE(ContainsGuardForm(L"c:\\win\\", L"c:\\windows\\"));
  EXPECT_FALSE(ContainsGuardForm(L"c:\\windows\\system32\\", L"c:\\windows\\"));
}
