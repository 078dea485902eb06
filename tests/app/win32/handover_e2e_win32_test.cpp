// The updater program's hand-overs under Wine, as a player meets them: it is
// started from another folder and must work in its own, start the launcher
// with its arguments (ShellExecuteExW), and, after updating itself, start the
// installed program again with the same arguments (ShellExecuteW). The
// headless updater runs the real application and engine against the loopback
// patch server on the fixed ports the build was configured with.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/fixtures/configured_ports.h"
#include "tests/fixtures/test_servers.h"
#include "tests/support/child_program.h"
#include "tests/support/patch_site.h"
#include "tests/support/test_folders.h"
#include "tests/support/test_launcher_files.h"
#include "tests/support/test_registry.h"
#include "updater/app/launcher_start.h"
#include "updater/sys/system_info.h"

namespace zefo::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

const fs::path kHeadlessUpdater = ZEFO_HEADLESS_UPDATER_PROGRAM;
const fs::path kTestLauncherProgram = ZEFO_TEST_LAUNCHER_PROGRAM;
constexpr auto kLimit = 120s;

template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return condition();
    std::this_thread::sleep_for(50ms);
  }
  return true;
}

bool SameFile(const std::string& recorded, const fs::path& expected) {
  std::error_code error;
  return fs::equivalent(fs::u8path(recorded), expected, error);
}

class HandOverTest : public ::testing::Test {
 protected:
  HandOverTest() : server_(serverRoot_.path().string(), ConfiguredPatchPorts()), live_(serverRoot_.path() / "patch") {
    updater_ = program_.path() / "ZEFOLauncher.exe";
    fs::copy_file(kHeadlessUpdater, updater_);
    DeleteLauncherKey(kLiveKey);
  }
  ~HandOverTest() override { DeleteLauncherKey(kLiveKey); }

  void InstallLauncherKey(std::int32_t version) {
    WriteLauncherKey(kLiveKey, updater_.wstring(), program_.path().wstring() + L"\\", version);
  }

  // Runs the updater from `elsewhere_` with `arguments` until it ends.
  void RunUpdater(const std::vector<std::string>& arguments) {
    ChildProgram updater(updater_, arguments, elsewhere_.path());
    ASSERT_EQ(updater.WaitForEnd(kLimit), 0) << Log();
  }

  std::string Log() const { return ReadFileBytes(program_.path() / "headless.log"); }

  std::optional<LauncherRecord> WaitForRecord(const fs::path& file) const {
    WaitUntil([&] { return ReadLauncherRecord(file).has_value(); }, kLimit);
    return ReadLauncherRecord(file);
  }

  TempFolder serverRoot_;
  PatchServer server_;
  PatchSite live_;
  TempFolder program_;
  TempFolder elsewhere_;
  fs::path updater_;
};

TEST_F(HandOverTest, UpToDateUpdaterStartsTheLauncherFromItsOwnFolderWithItsArguments) {
  for (const char* build : {"x86", "x64"}) {
    InstallTestLauncher(kTestLauncherProgram, program_.path() / build / "ZLauncher.exe", "");
  }
  live_.SetVersionInfo(104);
  InstallLauncherKey(104);

  RunUpdater({"ZEFO_Restart", "x:TAVRIN:ABC", "two"});

  // The folder where the updater found itself, not the one it was started in.
  EXPECT_THAT(Log(), HasSubstr("closed"));
  EXPECT_THAT(Log(), Not(HasSubstr("box ")));
  EXPECT_FALSE(fs::exists(elsewhere_.path() / "headless.log"));
  const fs::path launcher = program_.path() / LauncherFile(IsWow64(), IsWindows10OrLater());
  const auto record = WaitForRecord(launcher.parent_path() / "ZLauncher.record");
  ASSERT_TRUE(record);
  EXPECT_THAT(record->arguments, ElementsAre("ZEFO_Starter", "x:TAVRIN:ABC", "two"));
  EXPECT_TRUE(SameFile(record->folder, program_.path())) << record->folder;
  EXPECT_TRUE(SameFile(record->executable, launcher)) << record->executable;
}

TEST_F(HandOverTest, NewUpdaterIsPutInPlaceAndStartedAgainWithTheSameArguments) {
  // The new build is the test launcher: it records how it was started.
  live_.SetVersionInfo(102);
  live_.PublishVersion(102, {{"ZEFOLauncher_New.exe", ReadFileBytes(kTestLauncherProgram)}});
  live_.WriteVersionHashes();
  InstallLauncherKey(101);

  RunUpdater({"a:TAVRIN:x", "ZEFO_Restart", "last"});

  EXPECT_THAT(Log(), HasSubstr("box ZEFOLauncher Restart: Launcher version has been updated."));
  EXPECT_EQ(ReadFileBytes(program_.path() / "ZEFOLauncher.exe_old"), ReadFileBytes(kHeadlessUpdater));
  EXPECT_EQ(ReadVersionValue(kLiveKey), 102);
  const auto record = WaitForRecord(program_.path() / "ZLauncher.record");
  ASSERT_TRUE(record);
  EXPECT_THAT(record->arguments, ElementsAre("a:TAVRIN:x", "ZEFO_Restart", "last"));
  // No working folder is given: the restarted program inherits the updater's.
  EXPECT_TRUE(SameFile(record->folder, program_.path())) << record->folder;
  EXPECT_TRUE(SameFile(record->executable, updater_)) << record->executable;
}

}  // namespace
}  // namespace zefo::testing
