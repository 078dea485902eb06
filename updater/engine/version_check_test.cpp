#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/update_run_fixture.h"
#include "updater/sys/system_info.h"
#include "updater/sys/text.h"

namespace zefo::testing {
namespace {

using ::testing::HasSubstr;

TEST_F(UpdateRunTest, CheckVersionReadsTheFirstLine) {
  struct Case {
    const char* content;
    std::int32_t expected;
  } cases[] = {{"130\n", 130}, {" 130abc\r\n7\r\n", 130}, {"abc\n", 0}, {"-5", -5}, {"\n130\n", 0}, {"", 0}};
  for (const Case& c : cases) {
    live_.WriteRaw("VersionInfo.txt", c.content);
    manager_.m_latestVersion = 7;
    EXPECT_TRUE(manager_.CheckVersion(window_)) << c.content;
    EXPECT_EQ(manager_.m_latestVersion, c.expected) << c.content;
  }
  EXPECT_TRUE(window_.Events().empty());
}

TEST_F(UpdateRunTest, CheckVersionRemovesAStrayCopyAndKeepsTheDownloadedOne) {
  program_.Write("VersionInfo.txt", "999");
  live_.SetVersionInfo(130);
  EXPECT_TRUE(manager_.CheckVersion(window_));
  EXPECT_EQ(manager_.m_latestVersion, 130);
  EXPECT_FALSE(program_.Exists("VersionInfo.txt"));
  EXPECT_TRUE(program_.Exists("Output/Launcher/VersionInfo.txt"));
}

TEST_F(UpdateRunTest, CheckVersionUsesTheStageBasesWithTheMarker) {
  program_.Write("_stagemode.txt", "");
  live_.SetVersionInfo(120);
  stage_.SetVersionInfo(150);
  EXPECT_TRUE(manager_.CheckVersion(window_));
  EXPECT_FALSE(manager_.m_liveMode);
  EXPECT_EQ(manager_.m_latestVersion, 150);
  EXPECT_EQ(FetchedPaths(), std::vector<std::string>{"/zefolauncher/patch/VersionInfo.txt"});
}

TEST_F(UpdateRunTest, CheckVersionFailureQuotesTheSystemsTextOfItsCode) {
  manager_.m_latestVersion = 7;
  server_.SetAnswer("/patch/VersionInfo.txt", Answer::kNotFound);
  EXPECT_FALSE(manager_.CheckVersion(window_));
  EXPECT_EQ(manager_.m_latestVersion, 7);
  EXPECT_FALSE(manager_.m_launchWithoutUpdate);  // the box was closed

  const auto boxes = window_.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  const std::string message = ToNarrowString(boxes[0].message);
  const std::string head = "Launcher patch failed.\n[ ";
  ASSERT_EQ(message.compare(0, head.size(), head), 0) << message;
  const unsigned long code = std::stoul(message.substr(head.size()));
  EXPECT_NE(code, 0ul);
  EXPECT_EQ(message, head + std::to_string(code) + " ] / " +
                         FormatSystemMessage(static_cast<std::uint32_t>(code), kLanguageEnglishUs) +
                         " / VersionInfo.txt");
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_THAT(Reports()[0], HasSubstr("Error( " + std::to_string(code) + " , "));
}

}  // namespace
}  // namespace zefo::testing
