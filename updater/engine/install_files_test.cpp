#include <gtest/gtest.h>

#include <string>

#include "tests/support/scripted_window.h"
#include "tests/support/test_folders.h"
#include "tests/support/test_registry.h"
#include "updater/engine/patch_manager.h"
#include "updater/sys/file_system.h"

namespace zefo {
namespace {

using testing::kLiveKey;
using testing::kStageKey;
using testing::ProgramFolder;
using testing::ScriptedWindow;

class InstallUpdatedFilesTest : public ::testing::Test {
 protected:
  InstallUpdatedFilesTest() : manager_(Endpoints{}) {
    testing::UseTemporaryRegistry();
    testing::WriteLauncherKey(kLiveKey, L"ZEFOLauncher.exe", L"", 101);
    testing::DeleteLauncherKey(kStageKey);
    manager_.EvaluateMode();
    manager_.m_installedVersion = 101;
    manager_.m_latestVersion = 104;
  }
  ~InstallUpdatedFilesTest() override {
    testing::DeleteLauncherKey(kLiveKey);
    testing::DeleteLauncherKey(kStageKey);
  }

  // A proven file waiting in the staging folder.
  void Stage(const std::string& name, const std::string& bytes) {
    FileUpdateRecord record;
    record.version = 104;
    record.name = name;
    record.stagingPath = "Output//Launcher//download//" + name;
    program_.Write("Output/Launcher/download/" + name, bytes);
    records_[name] = record;
  }
  bool Install() { return manager_.InstallUpdatedFiles(records_, CurrentFolder(), window_); }

  ProgramFolder program_;
  PatchManager manager_;
  ScriptedWindow window_;
  FileUpdateRecords records_;
};

TEST_F(InstallUpdatedFilesTest, InstallsEveryFileThenRecordsTheVersion) {
  program_.Write("x86/ZLauncher.exe", "old launcher");
  program_.Write("libcurl.dll", "old library");
  Stage("x86/ZLauncher.exe", "new launcher");
  Stage("libcurl.dll", "new library");
  Stage("res/skin/new.png", "picture");

  ASSERT_TRUE(Install());
  EXPECT_EQ(program_.Read("x86/ZLauncher.exe"), "new launcher");
  EXPECT_EQ(program_.Read("x86/ZLauncher.exe.old"), "old launcher");
  EXPECT_EQ(program_.Read("libcurl.dll"), "new library");
  EXPECT_FALSE(program_.Exists("libcurl.dll.old"));
  EXPECT_EQ(program_.Read("res/skin/new.png"), "picture");
  EXPECT_EQ(testing::ReadVersionValue(kLiveKey), 104);
  EXPECT_FALSE(manager_.m_restartRequired);
  EXPECT_TRUE(window_.Boxes().empty());
  EXPECT_TRUE(window_.Posts().empty());
}

TEST_F(InstallUpdatedFilesTest, RestartMarkAndSetAsideFollowTheExactName) {
  struct Case {
    const char* name;
    bool restart;
    bool setAside;
  } cases[] = {
      {"ZEFOLauncher_New.exe", true, true},
      {"zefolauncher_new.exe", true, true},
      {"sub/ZEFOLauncher_New.exe", true, true},
      {"ZEFOLauncher_New.EXE", false, false},
      {"MoveFiles.inf", true, false},
      {"movefiles.INF", false, false},
      {"SETUP.EXE", false, false},
  };
  for (const Case& c : cases) {
    records_.clear();
    manager_.m_restartRequired = false;
    std::filesystem::remove(program_.path() / (std::string(c.name) + ".old"));
    program_.Write(c.name, "present");
    Stage(c.name, "delivered");
    ASSERT_TRUE(Install()) << c.name;
    // A new updater at the top takes the program's name at once.
    const std::string placed = program_.Exists(c.name) ? c.name : "ZEFOLauncher.exe";
    EXPECT_EQ(program_.Read(placed), "delivered") << c.name;
    std::filesystem::remove(program_.path() / "ZEFOLauncher.exe");
    EXPECT_EQ(manager_.m_restartRequired, c.restart) << c.name;
    EXPECT_EQ(program_.Exists(std::string(c.name) + ".old"), c.setAside) << c.name;
  }
}

TEST_F(InstallUpdatedFilesTest, VersionIsWrittenOnlyWhenRaised) {
  testing::WriteLauncherKey(kLiveKey, L"ZEFOLauncher.exe", L"", 7);
  manager_.m_installedVersion = 104;
  Stage("a.txt", "a");
  ASSERT_TRUE(Install());
  EXPECT_EQ(testing::ReadVersionValue(kLiveKey), 7);
}

TEST_F(InstallUpdatedFilesTest, StageModeWritesTheStageKeyOnly) {
  program_.Write("_stagemode.txt", "");
  testing::WriteLauncherKey(kStageKey, L"ZEFOLauncher.exe", L"", 101);
  manager_.EvaluateMode();
  Stage("a.txt", "a");
  ASSERT_TRUE(Install());
  EXPECT_EQ(testing::ReadVersionValue(kStageKey), 104);
  EXPECT_EQ(testing::ReadVersionValue(kLiveKey), 101);
}

TEST_F(InstallUpdatedFilesTest, CopyFailureStopsThereAndKeepsTheOldVersion) {
  for (int answer : {MessageBoxDlg::kConfirm, MessageBoxDlg::kQuit}) {
    ScriptedWindow window;
    window.QueueAnswers({answer});
    records_.clear();
    program_.Write("b.dll", "working");
    Stage("a.txt", "a");
    Stage("b.dll", "b");
    Stage("c.txt", "c");
    std::filesystem::remove(program_.path() / "c.txt");
    std::filesystem::remove(program_.path() / "Output/Launcher/download/b.dll");

    EXPECT_FALSE(manager_.InstallUpdatedFiles(records_, CurrentFolder(), window));
    EXPECT_EQ(program_.Read("a.txt"), "a");  // installed before the failure: stays
    EXPECT_EQ(program_.Read("b.dll"), "working");
    EXPECT_FALSE(program_.Exists("c.txt"));
    EXPECT_EQ(testing::ReadVersionValue(kLiveKey), 101);

    const auto boxes = window.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, L"ERROR");
    EXPECT_EQ(boxes[0].message, L"Launcher patch failed.\n[ File Copy Error ] /  b.dll");
    EXPECT_TRUE(boxes[0].alert);
    EXPECT_FALSE(boxes[0].twoButtons);
    if (answer == MessageBoxDlg::kConfirm) {
      EXPECT_EQ(window.Posts(), std::vector<WindowMessage>{WindowMessage::kAppExit});
    } else {
      EXPECT_TRUE(window.Posts().empty());
    }
  }
}

TEST_F(InstallUpdatedFilesTest, NewUpdaterTakesTheProgramNameBeforeTheVersionIsRecorded) {
  program_.Write("ZEFOLauncher.exe", "running");
  Stage("ZEFOLauncher_New.exe", "new build");
  Stage("a.txt", "a");

  ASSERT_TRUE(Install());
  EXPECT_EQ(program_.Read("ZEFOLauncher.exe"), "new build");
  EXPECT_EQ(program_.Read("ZEFOLauncher.exe_old"), "running");
  EXPECT_FALSE(program_.Exists("ZEFOLauncher_New.exe"));
  EXPECT_TRUE(manager_.m_restartRequired);
  EXPECT_EQ(testing::ReadVersionValue(kLiveKey), 104);
  // Nothing is left for the worker to put in place.
  EXPECT_TRUE(manager_.InstallNewUpdater());
}

TEST_F(InstallUpdatedFilesTest, NewUpdaterThatCannotTakeTheNameLeavesTheOldVersionAndTheRunningBuild) {
  program_.Write("ZEFOLauncher.exe", "running");
  // A folder of the set-aside name that cannot be removed blocks the swap.
  program_.Write("ZEFOLauncher.exe_old/keep.txt", "user's");
  Stage("ZEFOLauncher_New.exe", "new build");

  EXPECT_FALSE(Install());
  EXPECT_EQ(program_.Read("ZEFOLauncher.exe"), "running");
  EXPECT_EQ(program_.Read("ZEFOLauncher.exe_old/keep.txt"), "user's");
  EXPECT_EQ(testing::ReadVersionValue(kLiveKey), 101);
  ASSERT_EQ(window_.Boxes().size(), 1u);
  EXPECT_EQ(window_.Boxes()[0].message, L"Launcher patch failed.\n[ File Copy Error ] /  ZEFOLauncher_New.exe");
}

TEST_F(InstallUpdatedFilesTest, NameLeavingTheFolderIsNeverWritten) {
  Stage("a.txt", "a");
  FileUpdateRecord escaping = records_["a.txt"];
  escaping.name = "../escaped.txt";
  records_[escaping.name] = escaping;

  EXPECT_FALSE(Install());
  EXPECT_FALSE(std::filesystem::exists(program_.path().parent_path() / "escaped.txt"));
  EXPECT_EQ(testing::ReadVersionValue(kLiveKey), 101);
  ASSERT_EQ(window_.Boxes().size(), 1u);
  EXPECT_EQ(window_.Boxes()[0].message, L"Launcher patch failed.\n[ File Copy Error ] /  ../escaped.txt");
}

}  // namespace
}  // namespace zefo
