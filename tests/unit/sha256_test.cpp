#include "common/sha256.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

TEST(Sha256, KnownDigests) {
  const struct {
    std::string message;
    const wchar_t* digest;
  } cases[] = {
      {"", L"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      // 448 bits: the length no longer fits the first block.
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       L"248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'), L"cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Sha256Hex(c.message.data(), c.message.size()), c.digest) << c.message.size() << " bytes";
    // The same bytes given in pieces of every size from 1 to 130.
    Sha256Stream pieces;
    for (size_t at = 0, n = 1; at < c.message.size(); at += n, n = n % 130 + 1)
      pieces.Add(c.message.data() + at, std::min(n, c.message.size() - at));
    EXPECT_EQ(pieces.FinishHex(), c.digest) << c.message.size() << " bytes in pieces";
  }
}
