#include "package/md5.h"
#include "package/temp_names.h"

#include <gtest/gtest.h>

#include <string>

TEST(Md5, KnownDigests) {
  EXPECT_EQ(Md5Hex("", 0), L"d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Md5Hex("abc", 3), L"900150983cd24fb0d6963f7d28e17f72");
  // Padding edges: 55, 56 and 64 bytes.
  EXPECT_EQ(Md5Hex(std::string(55, 'a').data(), 55), L"ef1772b6dff9a122358552954ad0df65");
  EXPECT_EQ(Md5Hex(std::string(56, 'a').data(), 56), L"3b0c8ac703f828b04c6c197006d17218");
  EXPECT_EQ(Md5Hex(std::string(64, 'a').data(), 64), L"014842d480b571495a4a0363793f7367");
  std::string million(1000000, 'a');
  EXPECT_EQ(Md5Hex(million.data(), million.size()), L"7707d6ae4e027c70eea2a935c2296f21");
}

TEST(TempNames, DigestOfTheFirstHalfOfTheUtf16Text) {
  // "12345" in UTF-16LE is 10 bytes; only the first 5 enter the digest.
  EXPECT_EQ(TempFileName(L"C:\\Temp\\815\\", 12345), L"C:\\Temp\\815\\e82dd43e44c526c3d866ef1f61ea4c5c.tmp");
  EXPECT_EQ(TempFileName(L"W\\", 7), L"W\\8f14e45fceea167a5a36dedd4bea2543.tmp");
  EXPECT_EQ(TempFileName(L"", 99999999), L"957ff278dfb7cad1e766fbefe4328599.tmp");
}

TEST(TempNames, WorkFolderEndsWithABackslash) {
  EXPECT_EQ(WorkFolderName(L"C:\\Temp", 815), L"C:\\Temp\\815\\");
  EXPECT_EQ(WorkFolderName(L"C:\\Temp\\", 0), L"C:\\Temp\\0\\");
}
