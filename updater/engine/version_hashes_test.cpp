#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tests/support/update_run_fixture.h"

namespace zefo::testing {
namespace {

using ::testing::HasSubstr;

// Raw "VersionHash.inf" pieces.
std::string Int32(std::int32_t value) {
  const auto u = static_cast<std::uint32_t>(value);
  return {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8 & 0xFF), static_cast<char>(u >> 16 & 0xFF),
          static_cast<char>(u >> 24 & 0xFF)};
}
std::string Digest(unsigned char fill) { return std::string(16, static_cast<char>(fill)); }
std::string Record(const std::string& nameBytes, const std::string& digest) {
  return Int32(static_cast<std::int32_t>(nameBytes.size())) + nameBytes + digest;
}

class LoadVersionHashesTest : public UpdateRunTest {
 protected:
  std::map<std::string, std::string> Table() const {
    std::map<std::string, std::string> table;
    for (const auto& [key, entry] : manager_.m_fileHashes) {
      EXPECT_EQ(key, entry.first);
      table[key] = entry.second;
    }
    return table;
  }
};

TEST_F(LoadVersionHashesTest, FirstRecordOfANameWinsAndKeysAreExactBytes) {
  std::string bytes = Int32(6);
  bytes += Record("a.txt", Digest(0x00));
  bytes += Record("a.txt", Digest(0x11));
  bytes += Record("A.TXT", Digest(0xFF));
  bytes += Record("x64\\b.dll", Digest(0x0A));
  bytes += Record(std::string("c.txt\0", 6), Digest(0x22));  // length counts the terminating zero
  bytes += Record("x64/b.dll", Digest(0x33));
  live_.WriteRaw("VersionHash.inf", bytes);

  EXPECT_TRUE(manager_.LoadVersionHashes());
  const std::map<std::string, std::string> expected = {
      {"a.txt", std::string(32, '0')}, {"A.TXT", std::string(32, 'f')},
      {"x64\\b.dll", "0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a"}, {"c.txt", std::string(32, '2')},
      {"x64/b.dll", std::string(32, '3')}};
  EXPECT_EQ(Table(), expected);
}

TEST_F(LoadVersionHashesTest, DamagedDataKeepsTheCompleteRecordsBeforeIt) {
  struct Case {
    const char* what;
    std::string tail;
  } cases[] = {
      {"length above 511", Int32(512) + std::string(512, 'x') + Digest(1)},
      {"negative length", Int32(-1) + Digest(1)},
      {"name cut short", Int32(20) + "short"},
      {"digest cut short", Int32(5) + "b.txt" + std::string(7, '\x01')},
      {"missing record", ""},
  };
  for (const Case& c : cases) {
    live_.WriteRaw("VersionHash.inf", Int32(3) + Record("a.txt", Digest(0xAB)) + c.tail);
    EXPECT_TRUE(manager_.LoadVersionHashes()) << c.what;
    EXPECT_EQ(Table(), (std::map<std::string, std::string>{{"a.txt", "abababababababababababababababab"}}))
        << c.what;
  }
}

TEST_F(LoadVersionHashesTest, FailedDownloadIsReportedAndEmptiesTheTable) {
  manager_.m_fileHashes["stale"] = {"stale", std::string(32, '0')};
  server_.SetAnswer("/patch/VersionHash.inf", Answer::kNotFound);
  EXPECT_FALSE(manager_.LoadVersionHashes());
  EXPECT_TRUE(manager_.m_fileHashes.empty());
  EXPECT_TRUE(window_.Events().empty());
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_THAT(Reports()[0], HasSubstr("ZEFOLauncher Error : " + server_.httpsUrl() + "/patch/VersionHash.inf"));
}

TEST_F(LoadVersionHashesTest, CountOfZeroOrLessGivesAnEmptyTable) {
  for (std::int32_t count : {0, -3}) {
    live_.WriteRaw("VersionHash.inf", Int32(count) + Record("a.txt", Digest(1)));
    EXPECT_TRUE(manager_.LoadVersionHashes());
    EXPECT_TRUE(manager_.m_fileHashes.empty()) << count;
  }
}

}  // namespace
}  // namespace zefo::testing
