#include "script/ini.h"

#include <gtest/gtest.h>

#include "script/integer.h"

namespace {
IniDocument Parse(const std::string& bytes) {
  IniDocument d;
  d.Parse(bytes.data(), bytes.size());
  return d;
}

std::vector<std::pair<std::wstring, std::wstring>> Keys(IniDocument& d) {
  std::vector<std::pair<std::wstring, std::wstring>> out;
  for (bool more = d.FirstKey(); more; more = d.NextKey()) out.push_back({d.KeyName(), d.KeyValue()});
  return out;
}
}  // namespace

TEST(Ini, GroupsAndKeysIgnoreCaseValuesAreTrimmed) {
  IniDocument d = Parse("[generalinformation]\r\n  appname =  My  App \t\r\n[Other]\nAppName=Wrong\n");
  d.SelectGroup(L"GeneralInformation");
  EXPECT_EQ(d.ReadText(L"AppName", L"x"), L"My  App");
  EXPECT_EQ(d.ReadText(L"Missing", L"fallback"), L"fallback");
}

TEST(Ini, EverythingAfterTheFirstEqualsSignIsTheValue) {
  IniDocument d = Parse("[G]\nkey = a=b = c\nflag\n");
  d.SelectGroup(L"G");
  EXPECT_EQ(d.ReadText(L"key", L""), L"a=b = c");
  EXPECT_EQ(d.ReadText(L"flag", L"x"), L"");  // a key without "=" has an empty value
}

TEST(Ini, Latin1WithoutMarkerUtf8WithIt) {
  IniDocument latin = Parse("[G]\nline = A\xB6" "B\n");
  latin.SelectGroup(L"G");
  EXPECT_EQ(latin.ReadText(L"line", L""), std::wstring(L"A") + wchar_t(0xB6) + L"B");
  IniDocument utf8 = Parse("\xEF\xBB\xBF[G]\nline = A\xC2\xB6" "B\n");
  utf8.SelectGroup(L"G");
  EXPECT_EQ(utf8.ReadText(L"line", L""), std::wstring(L"A") + wchar_t(0xB6) + L"B");
  // The same UTF-8 bytes without the marker are two Latin-1 characters.
  IniDocument raw = Parse("[G]\nline = A\xC2\xB6" "B\n");
  raw.SelectGroup(L"G");
  EXPECT_EQ(raw.ReadText(L"line", L"").size(), 4u);
}

TEST(Ini, FirstGroupAndFirstKeyWinEnumerationKeepsDuplicates) {
  IniDocument d = Parse("[InstTasks]\nA=1\nB=2\nA=3\n; comment\n[InstTasks]\nC=4\n");
  d.SelectGroup(L"insttasks");
  EXPECT_EQ(d.ReadText(L"A", L""), L"1");
  EXPECT_EQ(d.ReadText(L"C", L"none"), L"none");
  auto keys = Keys(d);
  ASSERT_EQ(keys.size(), 3u);
  EXPECT_EQ(keys[2].first, L"A");
  EXPECT_EQ(keys[2].second, L"3");
}

TEST(Ini, NamelessGroupAndHeaderRules) {
  IniDocument d = Parse("top = 1\n[TSF Localization File] = \nLanguage = English\n[open header\nx = y\n");
  d.SelectGroup(L"");
  EXPECT_EQ(d.ReadText(L"top", L""), L"1");
  d.SelectGroup(L"TSF Localization File");
  EXPECT_EQ(d.ReadText(L"Language", L""), L"English");
  d.SelectGroup(L"open header");  // a header without "]" runs to the line's end
  EXPECT_EQ(d.ReadText(L"x", L""), L"y");
  d.SelectGroup(L" TSF Localization File");  // names are not trimmed
  EXPECT_FALSE(d.FirstKey());
}

TEST(Ini, LineEndsAndEmptyLines) {
  IniDocument d = Parse("[G]\r\r\n\n\ra=1\rb=2\r\n\r\nc=3");
  d.SelectGroup(L"G");
  auto keys = Keys(d);
  ASSERT_EQ(keys.size(), 3u);
  EXPECT_EQ(keys[1].second, L"2");
  EXPECT_EQ(d.ReadText(L"c", L""), L"3");
}

TEST(Ini, MissingGroupGivesDefaultsAndNoKeys) {
  IniDocument d = Parse("[A]\nk=v\n");
  d.SelectGroup(L"B");
  EXPECT_EQ(d.ReadText(L"k", L"def"), L"def");
  EXPECT_FALSE(d.FirstKey());
  EXPECT_EQ(d.KeyName(), L"");
}

TEST(Ini, MalformedInput) {
  for (const std::string& bytes :
       {std::string(), std::string("; only\n;comments\n"), std::string("[", 1), std::string("\xEF\xBB\xBF"),
        std::string("=\n==\n[]\n"), std::string("\0\0[G\0]\nk\0=\0v\n", 14)}) {
    IniDocument d = Parse(bytes);
    d.SelectGroup(L"G");
    d.ReadText(L"k", L"");
    for (bool more = d.FirstKey(); more; more = d.NextKey()) d.KeyValue();
  }
  IniDocument nul = Parse(std::string("[G]\nk = a\0b\n", 12));
  nul.SelectGroup(L"G");
  EXPECT_EQ(nul.ReadText(L"k", L""), std::wstring(L"a\0b", 3));
  // Invalid UTF-8 after the marker becomes replacement characters, not a failure.
  IniDocument bad = Parse("\xEF\xBB\xBF[G]\nk = \xFF\xC3(\n");
  bad.SelectGroup(L"G");
  EXPECT_EQ(bad.ReadText(L"k", L""), std::wstring(1, wchar_t(0xFFFD)) + wchar_t(0xFFFD) + L"(");
}

TEST(Ini, OneMegabyteLine) {
  std::string big = "[G]\nk = " + std::string(1 << 20, 'x') + "\n";
  IniDocument d = Parse(big);
  d.SelectGroup(L"G");
  EXPECT_EQ(d.ReadText(L"k", L"").size(), size_t(1) << 20);
}

TEST(Integer, SignsBasesAndStops) {
  EXPECT_EQ(ReadInteger(L"42"), 42);
  EXPECT_EQ(ReadInteger(L" \t-17"), -17);
  EXPECT_EQ(ReadInteger(L"+5"), 5);
  EXPECT_EQ(ReadInteger(L"$10"), 16);
  EXPECT_EQ(ReadInteger(L"$ff"), 255);
  EXPECT_EQ(ReadInteger(L"$FFFFFFFF"), -1);
  EXPECT_EQ(ReadInteger(L"%101"), 5);
  EXPECT_EQ(ReadInteger(L"%102"), 2);
  EXPECT_EQ(ReadInteger(L"1x"), 1);
  EXPECT_EQ(ReadInteger(L"12abc"), 12);
  EXPECT_EQ(ReadInteger(L"yes"), 0);
  EXPECT_EQ(ReadInteger(L""), 0);
  EXPECT_EQ(ReadInteger(L"-"), 0);
  EXPECT_EQ(ReadInteger(L"$"), 0);
  EXPECT_EQ(ReadInteger(L"2147483647"), 2147483647);
  EXPECT_EQ(ReadInteger(L"4294967296"), 0);  // wraps to 32 bits
}
