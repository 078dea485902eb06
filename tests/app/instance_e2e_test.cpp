// The instance checks and the launcher start against a real test launcher:
// the launcher's mutex seen from here, "showup_zlauncher" arriving in its
// window with the mode's hash, a second updater refused, launchers ended by
// name, and a program started with its parameters and folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/child_program.h"
#include "tests/support/scripted_window.h"
#include "tests/support/test_folders.h"
#include "tests/support/test_launcher_files.h"
#include "updater/app/instance_check.h"
#include "updater/engine/patch_manager.h"
#include "updater/sys/process.h"

namespace zefo::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::ElementsAre;

const fs::path kTestLauncherProgram = ZEFO_TEST_LAUNCHER_PROGRAM;
constexpr auto kLimit = 20s;

template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return condition();
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

// The lParam of every "showup_zlauncher" the launcher recorded.
std::vector<unsigned long> ReceivedLParams(const fs::path& file) {
  std::vector<unsigned long> lParams;
  std::istringstream lines(ReadFileBytes(file));
  std::string name;
  unsigned long wParam = 0;
  unsigned long lParam = 0;
  while (lines >> name >> wParam >> lParam) {
    if (name == "showup_zlauncher") lParams.push_back(lParam);
  }
  return lParams;
}

// A test launcher running as "ZLauncher.exe" in a folder of its own.
class RunningLauncher {
 public:
  explicit RunningLauncher(const std::string& config, const std::string& name = "ZLauncher.exe")
      : file_(folder_.path() / name) {
    InstallTestLauncher(kTestLauncherProgram, file_, config);
    program_ = std::make_unique<ChildProgram>(file_, std::vector<std::string>{}, folder_.path());
    ready_ = WaitUntil([&] { return ReadLauncherRecord(folder_.path() / "ZLauncher.record").has_value(); }, kLimit);
  }
  bool ready() const { return ready_; }
  fs::path File(const char* name) const { return folder_.path() / name; }
  ChildProgram& program() { return *program_; }

 private:
  TempFolder folder_;
  fs::path file_;
  std::unique_ptr<ChildProgram> program_;
  bool ready_ = false;
};

TEST(InstanceEndToEndTest, RunningLauncherIsShownUpInEachModeAndASecondUpdaterIsRefused) {
  RunningLauncher launcher("hold_mutex=1\nwindow=zefo-instance-test\n");
  ASSERT_TRUE(launcher.ready());

  ProgramFolder program;  // the current folder, where the stage marker is looked for
  PatchManager manager(Endpoints{});
  SystemInstanceServices system(manager);
  ScriptedWindow host;

  InstanceLocks first;
  EXPECT_TRUE(CheckRunningInstances(first, system, host));
  EXPECT_TRUE(host.Boxes().empty());

  program.Write("_stagemode.txt", "");
  host.QueueAnswers({MessageBoxDlg::kConfirm});
  InstanceLocks second;  // while the first still holds the updater's mutex
  EXPECT_TRUE(CheckRunningInstances(second, system, host));
  const auto boxes = host.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].title, L"ZEFOLauncher_ERROR");
  EXPECT_EQ(boxes[0].message, L"Program is already Running");
  EXPECT_FALSE(second.updaterMutex);

  const fs::path broadcasts = launcher.File("ZLauncher.broadcasts");
  EXPECT_TRUE(WaitUntil([&] { return ReceivedLParams(broadcasts).size() >= 2; }, kLimit));
  EXPECT_THAT(ReceivedLParams(broadcasts), ElementsAre(1365ul, 2951ul));
  // A launcher that holds its mutex is left running.
  EXPECT_TRUE(launcher.program().Running());
}

TEST(InstanceEndToEndTest, LaunchersAreEndedByTheirExactNameWithCodeNine) {
  RunningLauncher launcher("stay=1\n");
  RunningLauncher other("stay=1\n", "ZLauncher.exe.bak");
  ASSERT_TRUE(launcher.ready());
  ASSERT_TRUE(other.ready());

  TerminateProcessesByName(L"ZLauncher.exe");

  EXPECT_EQ(launcher.program().WaitForEnd(kLimit), kKilledEndCode);
  EXPECT_TRUE(other.program().Running());
}

TEST(InstanceEndToEndTest, StartedProgramGetsItsParametersAndFolder) {
  TempFolder install;
  TempFolder work;
  const fs::path launcher = install.path() / "x64" / "ZLauncher.exe";
  InstallTestLauncher(kTestLauncherProgram, launcher, "");

  ASSERT_TRUE(StartProgram(launcher.wstring(), L"ZEFO_Starter \"two words\" TAVRIN=a\\\"b",
                           work.path().wstring()));

  const fs::path recordFile = install.path() / "x64" / "ZLauncher.record";
  ASSERT_TRUE(WaitUntil([&] { return ReadLauncherRecord(recordFile).has_value(); }, kLimit));
  const LauncherRecord record = *ReadLauncherRecord(recordFile);
  EXPECT_THAT(record.arguments, ElementsAre("ZEFO_Starter", "two words", "TAVRIN=a\"b"));
  EXPECT_TRUE(fs::equivalent(fs::u8path(record.folder), work.path())) << record.folder;
  EXPECT_TRUE(fs::equivalent(fs::u8path(record.executable), launcher)) << record.executable;
}

}  // namespace
}  // namespace zefo::testing
