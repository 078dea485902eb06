#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "tests/support/scripted_window.h"
#include "tests/support/test_folders.h"
#include "tests/support/test_registry.h"
#include "updater/engine/patch_manager.h"
#include "updater/sys/process.h"

namespace zefo {
namespace {

using testing::kLiveKey;
using testing::kStageKey;
using testing::ProgramFolder;
using testing::ScriptedWindow;

class InstallCheckTest : public ::testing::Test {
 protected:
  InstallCheckTest() : manager_(Endpoints{}) {
    testing::UseTemporaryRegistry();
    testing::DeleteLauncherKey(kLiveKey);
    testing::DeleteLauncherKey(kStageKey);
  }
  ~InstallCheckTest() override {
    testing::DeleteLauncherKey(kLiveKey);
    testing::DeleteLauncherKey(kStageKey);
  }

  ProgramFolder program_;
  PatchManager manager_;
  ScriptedWindow window_;
};

TEST_F(InstallCheckTest, ReadsTheKeyAndKeepsTheVersionAtLeast99) {
  struct Case {
    std::optional<std::int32_t> stored;
    std::int32_t before;
    std::int32_t expected;
  } cases[] = {{0, 0, 99}, {-5, 0, 99}, {99, 0, 99}, {100, 0, 100}, {130, 0, 130},
               {std::nullopt, 0, 99}, {std::nullopt, 120, 120}};
  for (const Case& c : cases) {
    testing::WriteLauncherKey(kLiveKey, L"C:\\Zefo\\ZEFOLauncher.exe", L"C:\\Zefo", c.stored);
    manager_.m_installedVersion = c.before;
    manager_.CheckInstallation(window_);
    EXPECT_EQ(manager_.m_installedVersion, c.expected);
    EXPECT_EQ(manager_.m_installedFile, L"C:\\Zefo\\ZEFOLauncher.exe");
    EXPECT_EQ(manager_.m_installedFolder, L"C:\\Zefo");
    EXPECT_TRUE(manager_.m_liveMode);
  }
  EXPECT_TRUE(window_.Events().empty());
}

TEST_F(InstallCheckTest, MissingKeyOfTheModeShowsTheNotInstalledBox) {
  testing::WriteLauncherKey(kLiveKey, L"ZEFOLauncher.exe", L"", 120);
  program_.Write("_stagemode.txt", "");
  for (int answer : {MessageBoxDlg::kConfirm, MessageBoxDlg::kQuit}) {
    ScriptedWindow window;
    window.QueueAnswers({answer});
    manager_.CheckInstallation(window);
    EXPECT_FALSE(manager_.m_liveMode);
    EXPECT_EQ(manager_.m_installedVersion, 0);
    const auto boxes = window.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, L"ERROR");
    EXPECT_EQ(boxes[0].message, L"ZEFOLauncher is not installed.Install ZEFOLauncher.");
    EXPECT_EQ(boxes[0].confirmLabel, L"Confirm");
    EXPECT_FALSE(boxes[0].alert);
    EXPECT_FALSE(boxes[0].twoButtons);
    EXPECT_EQ(window.Posts(), answer == MessageBoxDlg::kConfirm
                                  ? std::vector<WindowMessage>{WindowMessage::kAppExit}
                                  : std::vector<WindowMessage>{});
  }
}

TEST_F(InstallCheckTest, StageModeReadsTheStageKey) {
  testing::WriteLauncherKey(kLiveKey, L"live.exe", L"", 120);
  testing::WriteLauncherKey(kStageKey, L"stage.exe", L"", 130);
  program_.Write("_stagemode.txt", "");
  manager_.CheckInstallation(window_);
  EXPECT_EQ(manager_.m_installedFile, L"stage.exe");
  EXPECT_EQ(manager_.m_installedVersion, 130);
}

TEST_F(InstallCheckTest, InstallNewUpdaterWithoutNewBuildChangesNothing) {
  program_.Write("ZEFOLauncher.exe", "running");
  EXPECT_TRUE(manager_.InstallNewUpdater());
  EXPECT_EQ(testing::ListFiles(program_.path()), std::vector<std::string>{"ZEFOLauncher.exe"});
}

TEST_F(InstallCheckTest, InstallNewUpdaterPutsTheNewBuildInPlace) {
  for (bool earlierOld : {false, true}) {
    program_.Write("ZEFOLauncher.exe", "running");
    program_.Write("ZEFOLauncher_New.exe", "new build");
    if (earlierOld) program_.Write("ZEFOLauncher.exe_old", "older");
    EXPECT_FALSE(manager_.InstallNewUpdater());
    EXPECT_EQ(program_.Read("ZEFOLauncher.exe"), "new build");
    EXPECT_EQ(program_.Read("ZEFOLauncher.exe_old"), "running");
    EXPECT_FALSE(program_.Exists("ZEFOLauncher_New.exe"));
  }
}

class PromptRestartTest : public InstallCheckTest {
 protected:
  ~PromptRestartTest() override { SetProgramArguments({}); }
};

TEST_F(PromptRestartTest, ShowsTheBoxThenEndsHoweverItIsClosed) {
  for (int answer : {MessageBoxDlg::kConfirm, MessageBoxDlg::kQuit}) {
    ScriptedWindow window;
    window.QueueAnswers({answer});
    manager_.m_installedFile.clear();  // a start that fails is not reported
    manager_.PromptRestart(window);
    const auto boxes = window.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, L"ZEFOLauncher Restart");
    EXPECT_EQ(boxes[0].message, L"Launcher version has been updated. Please restart the program.");
    EXPECT_FALSE(boxes[0].alert);
    EXPECT_FALSE(boxes[0].twoButtons);
    EXPECT_EQ(window.Posts(), std::vector<WindowMessage>{WindowMessage::kAppExit});
  }
}

#ifndef _WIN32
// The restarted program records the arguments it received, one per line.
std::string RestartWith(const ProgramFolder& program, PatchManager& manager, ScriptedWindow& window,
                        std::vector<std::wstring> arguments) {
  program.Write("restarted.sh", "#!/bin/sh\nfor a in \"$@\"; do echo \"[$a]\"; done > \"$(dirname \"$0\")/args.tmp\"\n"
                                "mv \"$(dirname \"$0\")/args.tmp\" \"$(dirname \"$0\")/args.txt\"\n");
  std::filesystem::permissions(program.path() / "restarted.sh", std::filesystem::perms::owner_all);
  std::filesystem::remove(program.path() / "args.txt");
  manager.m_installedFile = (program.path() / "restarted.sh").wstring();
  SetProgramArguments(std::move(arguments));
  manager.PromptRestart(window);
  for (int i = 0; i < 500 && !program.Exists("args.txt"); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(program.Exists("args.txt"));
  return program.Read("args.txt");
}

TEST_F(PromptRestartTest, StartsTheInstalledFileWithTheArgumentsJoinedBySpaces) {
  EXPECT_EQ(RestartWith(program_, manager_, window_, {L"ZEFO_Restart", L"TAVRIN=abc", L"x"}),
            "[ZEFO_Restart]\n[TAVRIN=abc]\n[x]\n");
  // Copied without quotes: an argument with a space arrives as two.
  EXPECT_EQ(RestartWith(program_, manager_, window_, {L"a b", L"c"}), "[a]\n[b]\n[c]\n");
  EXPECT_EQ(RestartWith(program_, manager_, window_, {}), "");
}
#endif

}  // namespace
}  // namespace zefo
