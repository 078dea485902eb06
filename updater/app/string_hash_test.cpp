#include "updater/app/string_hash.h"

#include <gtest/gtest.h>

#include <string>

namespace zefo {
namespace {

TEST(StringHashTest, MatchesTheLaunchersNumbers) {
  const struct {
    std::wstring text;
    std::uint32_t hash;
  } cases[] = {
      {L"", 0},
      {L"abc", 683},
      {L"Live", 1365},
      {L"Stage", 2951},
      // Weights of 2^32 and above saturate at 0xFFFFFFFF; the sum wraps.
      {std::wstring(32, L'A'), 160},
      {std::wstring(33, L'A'), 95},
      {std::wstring(40, L'a'), 64873},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StringHash(c.text), c.hash) << c.text.size() << " characters";
  }
}

TEST(StringHashTest, TextBeyondTheBufferCountsAsEmpty) {
  EXPECT_EQ(StringHash(std::wstring(511, L'x')), 8146u);  // 511 bytes and the terminator fit
  EXPECT_EQ(StringHash(std::wstring(512, L'x')), 0u);
}

#ifndef _WIN32
TEST(StringHashTest, BytesFromHex80CountAsNegative) {
  // UTF-8 on Linux: U+00E9 is C3 A9, that is -61 and -87.
  EXPECT_EQ(StringHash(L"\u00e9"), 16u);
  EXPECT_EQ(StringHash(L"ZEFO_Token-\u00e9"), 14937u);
}
#endif

}  // namespace
}  // namespace zefo
