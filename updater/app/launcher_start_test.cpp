#include "updater/app/launcher_start.h"

#include <gtest/gtest.h>

namespace zefo {
namespace {

TEST(LauncherParametersTest, ForwardsArgumentsExceptTheRestartMarker) {
  const struct {
    std::vector<std::wstring> arguments;
    std::wstring parameters;
  } cases[] = {
      {{}, L"ZEFO_Starter "},
      {{L"A"}, L"ZEFO_Starter A"},
      {{L"A", L"B"}, L"ZEFO_Starter A B"},
      {{L"A", L"ZEFO_Restart", L"B"}, L"ZEFO_Starter A B"},
      {{L"ZEFO_Restart", L"A"}, L"ZEFO_Starter A"},
      // A is not the last argument, so its space stays.
      {{L"A", L"ZEFO_Restart"}, L"ZEFO_Starter A "},
      {{L"ZEFO_Restart"}, L"ZEFO_Starter "},
      // Only the exact marker is dropped.
      {{L"zefo_restart", L"ZEFO_Restart2"}, L"ZEFO_Starter zefo_restart ZEFO_Restart2"},
      // Not quoted again: spaces inside an argument split it for the launcher.
      {{L"a b", L"x:TAVRIN:t"}, L"ZEFO_Starter a b x:TAVRIN:t"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LauncherParameters(c.arguments), c.parameters);
  }
}

TEST(LauncherFileTest, SixtyFourBitOnlyOnSixtyFourBitWindowsTenOrLater) {
  EXPECT_STREQ(LauncherFile(true, true), L"x64\\ZLauncher.exe");
  EXPECT_STREQ(LauncherFile(true, false), L"x86\\ZLauncher.exe");   // 64-bit Windows 8.1
  EXPECT_STREQ(LauncherFile(false, true), L"x86\\ZLauncher.exe");   // 32-bit Windows 10
  EXPECT_STREQ(LauncherFile(false, false), L"x86\\ZLauncher.exe");
}

}  // namespace
}  // namespace zefo
