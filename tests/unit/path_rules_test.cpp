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
      // Every loopback spelling and the computer's own names reach this computer.
      {L"\\\\127.1.2.3\\c$\\Windows", L"c:\\windows\\"},
      {L"\\\\127.1\\c$\\Windows", L"c:\\windows\\"},
      {L"\\\\2130706433\\c$\\Windows", L"c:\\windows\\"},
      {L"\\\\0x7F.0.0.1\\c$\\Windows", L"c:\\windows\\"},
      {L"\\\\0177.0.0.1\\c$\\Windows", L"c:\\windows\\"},
      {L"\\\\[0:0::1]\\c$\\Windows", L"c:\\windows\\"},
      {L"\\\\0000:0000:0000:0000:0000:0000:0000:0001\\c$\\Windows", L"c:\\windows\\"},
      {L"\\\\::ffff:127.0.0.1\\c$\\Windows", L"c:\\windows\\"},
      {L"\\\\[::1%1]\\c$\\Windows", L"c:\\windows\\"},
      {L"\\\\0--1.IPv6-Literal.net\\c$\\Windows", L"c:\\windows\\"},
      {L"\\\\--1s4.ipv6-literal.net\\c$\\Windows", L"c:\\windows\\"},
      {L"\\\\LOCALHOST.\\c$\\Windows", L"c:\\windows\\"},
      {L"\\\\tarnbox.example.org.\\c$\\Windows", L"c:\\windows\\"},
      {L"\\\\127.0.0.2\\Admin$\\System32", L"\\\\localhost\\admin$\\system32\\"},
      {L"\\\\TarnBox\\data", L"\\\\localhost\\data\\"},
      {L"\\\\128.0.0.1\\c$\\Windows", L"\\\\128.0.0.1\\c$\\windows\\"},  // another computer
      {L"\\\\127.0.0.256\\c$", L"\\\\127.0.0.256\\c$\\"},                  // no address: a name
      {L"\\\\::2\\c$", L"\\\\::2\\c$\\"},
  };
  for (const auto& c : cases) EXPECT_EQ(GuardForm(c.path, {L"TarnBox", L"tarnbox.example.org"}), c.form) << c.path;
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
    const std::wstring form = GuardForm(c.path, {});
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

TEST(PathRules, StreamAndDeviceSyntaxIsTold) {
  for (const wchar_t* path : {L"C:\\Windows::$INDEX_ALLOCATION", L"C:\\Windows:$DATA", L"C:\\a\\b.txt:s",
                              L"\\\\.\\C:\\a", L"//./C:/a", L"\\??\\C:\\a", L"\\\\?\\GLOBALROOT\\Device\\x",
                              L"\\\\?\\Volume{1}\\a", L"\\\\?\\unix\\etc", L"C:\\a\\globalroot", L"C:\\a*",
                              L"C:\\a?\\b", L"C:\\a\"b", L"C:\\a<", L"C:\\a\\\x01", L"\\\\[::1]\\c$",
                              L"C:\\a\\NUL", L"C:\\a\\con.txt\\b", L"C:\\a\\Com1 .log", L"C:\\a\\conout$"})
    EXPECT_TRUE(HasStreamOrDeviceSyntax(path)) << path;
  for (const wchar_t* path : {L"C:\\Windows", L"c:", L"\\\\?\\C:\\a", L"\\\\?\\UNC\\srv\\share\\a",
                              L"\\\\srv\\share$\\a", L"relative\\a", L"C:\\a b.c\\d$", L"C:\\console\\com10\\nula"})
    EXPECT_FALSE(HasStreamOrDeviceSyntax(path)) << path;
  EXPECT_TRUE(IsLocalHiddenShareForm(L"\\\\localhost\\admin$\\"));
  EXPECT_TRUE(IsLocalHiddenShareForm(L"\\\\LOCALHOST\\PRINT$\\x\\"));
  EXPECT_FALSE(IsLocalHiddenShareForm(L"\\\\localhost\\data\\"));
  EXPECT_FALSE(IsLocalHiddenShareForm(L"\\\\other\\admin$\\"));
}
