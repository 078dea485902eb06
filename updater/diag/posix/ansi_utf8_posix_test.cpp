// Narrow text is UTF-8 on Linux: it passes unchanged when valid, and every
// byte that does not belong to a valid sequence becomes U+FFFD.
#include "updater/diag/ansi_utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace zefo {
namespace {

constexpr char kBad[] = "\xEF\xBF\xBD";

TEST(AnsiUtf8PosixTest, InvalidBytesAreReplaced) {
  const struct {
    std::string in;
    std::string out;
  } cases[] = {
      {"ascii", "ascii"},
      {"\xED\x95\x9C\xEA\xB5\xAD \xC3\xA9 \xF0\x9F\x98\x80", "\xED\x95\x9C\xEA\xB5\xAD \xC3\xA9 \xF0\x9F\x98\x80"},
      {"a\xFFz", std::string("a") + kBad + "z"},
      {"\xC3", kBad},                                    // cut short
      {"\xC0\xAF", std::string(kBad) + kBad},            // overlong
      {"\xED\xA0\x80", std::string(kBad) + kBad + kBad},  // surrogate
      {"\xF4\x90\x80\x80", std::string(kBad) + kBad + kBad + kBad},  // above U+10FFFF
      {"\xE2\x82x", std::string(kBad) + kBad + "x"},
      {"\xEF\xBF\xBD", kBad},
  };
  for (const auto& c : cases) EXPECT_EQ(AnsiToUtf8(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace zefo
