// The real ZEFOLauncher program, driven only through its standard input,
// against the loopback servers on the fixed ports its build was configured
// with. Each test has its own program folder and registry (XDG_CONFIG_HOME);
// the updater is copied in as "ZEFOLauncher.exe", since the executable's
// folder is the program folder, and the test launcher as the launcher builds.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "tests/app/child_process.h"
#include "tests/fixtures/configured_ports.h"
#include "tests/fixtures/test_servers.h"
#include "tests/support/loopback_endpoints.h"
#include "tests/support/test_folders.h"
#include "tests/support/test_launcher_files.h"

namespace zefo::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::Not;

const fs::path kUpdaterProgram = ZEFO_UPDATER_PROGRAM;
const fs::path kTestLauncherProgram = ZEFO_TEST_LAUNCHER_PROGRAM;
const fs::path kRegProgram = ZEFO_REG_PROGRAM;
const fs::path kPublishProgram = ZEFO_PUBLISH_PROGRAM;

const std::string kLiveKey = "HKCU\\SOFTWARE\\Tavrin\\Zlauncher";
constexpr auto kRunLimit = 120s;

std::string ReadText(const fs::path& file) { return ReadFileBytes(file); }

void CopyExecutable(const fs::path& from, const fs::path& to) {
  fs::create_directories(to.parent_path());
  fs::copy_file(from, to, fs::copy_options::overwrite_existing);
  fs::permissions(to, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec, fs::perm_options::replace);
}

class UpdaterEndToEndTest : public ::testing::Test {
 protected:
  UpdaterEndToEndTest() {
    TestCaBundlePath();  // the updater trusts the loopback servers' CA
    fs::create_directories(program_);
    fs::create_directories(config_);
    fs::create_directories(root_ / "site" / "patch");
    CopyExecutable(kUpdaterProgram, program_ / "ZEFOLauncher.exe");
  }

  ~UpdaterEndToEndTest() override {
    // Launchers the updater started are not the test's children: end any left.
    for (const char* build : {"x86", "x64"}) {
      const auto record = ReadLauncherRecord(program_ / build / "ZLauncher.record");
      if (!record) continue;
      std::error_code error;
      const fs::path running = fs::read_symlink("/proc/" + std::to_string(record->pid) + "/exe", error);
      if (!error && running.string().rfind(program_.string(), 0) == 0) {
        ::kill(static_cast<pid_t>(record->pid), SIGKILL);
      }
    }
  }

  // The test launcher as both builds, with `config` beside each.
  void InstallLaunchers(const std::string& config = "") {
    for (const char* build : {"x86", "x64"}) {
      InstallTestLauncher(kTestLauncherProgram, program_ / build / "ZLauncher.exe", config);
    }
  }

  std::map<std::string, std::string> Environment() const { return {{"XDG_CONFIG_HOME", config_.string()}}; }

  // The launcher's installer: the registry key with the installed version.
  void Register(int version) {
    const std::string program = (program_ / "ZEFOLauncher.exe").string();
    for (const std::vector<std::string>& value :
         {std::vector<std::string>{"set", kLiveKey, "FILENAME", "sz", program},
          std::vector<std::string>{"set", kLiveKey, "PATH", "sz", program_.string()},
          std::vector<std::string>{"set", kLiveKey, "VERSION", "dword", std::to_string(version)}}) {
      const RunResult result = RunToEnd(kRegProgram, value, Environment(), 30s);
      ASSERT_TRUE(result.exit && result.exit->exited && result.exit->code == 0) << result.output;
    }
  }

  std::string RegisteredVersion() {
    const RunResult result = RunToEnd(kRegProgram, {"get", kLiveKey, "VERSION"}, Environment(), 30s);
    return result.output;
  }

  // Builds 101 to 104 of a small launcher, published into the site. Each
  // carries this updater, unchanged.
  void PublishBuilds() {
    const std::string launcher = ReadText(kTestLauncherProgram);
    const std::string updater = ReadText(kUpdaterProgram);
    const std::vector<std::vector<std::pair<std::string, std::string>>> builds = {
        {{"x86/ZLauncher.exe", launcher}, {"x64/ZLauncher.exe", launcher}, {"data/readme.txt", "readme 101"},
         {"data/old.txt", "old"}, {"lib/core.dll", "core 101"}},
        {{"x86/ZLauncher.exe", launcher}, {"x64/ZLauncher.exe", launcher}, {"data/readme.txt", "readme 102"},
         {"data/old.txt", "old"}, {"lib/core.dll", "core 101"}, {"lib/new.dll", "new 102"}},
        // Bytes after an ELF image are never read: a changed launcher that still runs.
        {{"x86/ZLauncher.exe", launcher}, {"x64/ZLauncher.exe", launcher + "build 103"},
         {"data/readme.txt", "readme 102"}, {"lib/core.dll", "core 103"}, {"lib/new.dll", "new 102"}},
        {{"x86/ZLauncher.exe", launcher}, {"x64/ZLauncher.exe", launcher + "build 103"},
         {"data/readme.txt", "readme 104"}, {"lib/core.dll", "core 103"}, {"lib/new.dll", "new 102"},
         {"data/sub/deep.txt", "deep 104"}},
    };
    for (std::size_t i = 0; i < builds.size(); ++i) {
      const int version = 101 + static_cast<int>(i);
      const fs::path build = root_ / "builds" / std::to_string(version);
      WriteFileBytes(build / "ZEFOLauncher.exe", updater);
      for (const auto& [name, bytes] : builds[i]) WriteFileBytes(build / name, bytes);
      const RunResult result = RunToEnd(
          kPublishProgram, {"release", (root_ / "site" / "patch").string(), build.string(), "--version",
                            std::to_string(version)},
          {}, 60s);
      ASSERT_TRUE(result.exit && result.exit->exited && result.exit->code == 0) << result.output;
      builds_.push_back(build);
    }
  }

  // Installs a published build as the installer would: its files and the key.
  void Install(int version) {
    const fs::path build = root_ / "builds" / std::to_string(version);
    for (const std::string& name : ListFiles(build)) {
      fs::create_directories((program_ / name).parent_path());
      fs::copy_file(build / name, program_ / name, fs::copy_options::overwrite_existing);
      if (name.size() > 4 && name.substr(name.size() - 4) == ".exe") {
        fs::permissions(program_ / name, fs::perms::owner_exec, fs::perm_options::add);
      }
    }
    Register(version);
  }

  void StartServers() {
    patchServer_.emplace((root_ / "site").string(), ConfiguredPatchPorts());
    webhook_.emplace(ConfiguredWebhookPorts());
    api_.emplace(ConfiguredApiPorts());
    api_->SetAddressInfo("{\"ip\":\"127.0.0.1\",\"country\":\"ZZ\"}");
  }

  ChildOptions UpdaterOptions(bool inputPipe) const {
    // Started from another folder: the updater works in its own.
    return {root_, Environment(), inputPipe, output_};
  }

  // Runs the updater with nothing on its input and returns its output.
  std::string RunUpdater(const std::vector<std::string>& arguments) {
    fs::remove(output_);
    ChildProcess updater(program_ / "ZEFOLauncher.exe", arguments, UpdaterOptions(false));
    const auto exit = updater.Wait(kRunLimit);
    const std::string output = ReadText(output_);
    EXPECT_TRUE(exit && exit->exited && exit->code == 0) << output;
    return output;
  }

  std::optional<LauncherRecord> WaitForRecord(const char* build) {
    std::optional<LauncherRecord> record;
    WaitUntil([&] { return (record = ReadLauncherRecord(program_ / build / "ZLauncher.record")).has_value(); }, 30s);
    return record;
  }

  // The program folder holds every file of `build` with its bytes.
  void ExpectInstalled(const fs::path& build) {
    for (const std::string& name : ListFiles(build)) {
      EXPECT_EQ(ReadText(program_ / name), ReadText(build / name)) << name;
    }
  }

  TempFolder temp_;
  const fs::path root_ = temp_.path();
  const fs::path program_ = root_ / "program";
  const fs::path config_ = root_ / "config";
  const fs::path output_ = root_ / "updater-output.txt";
  std::vector<fs::path> builds_;
  std::optional<PatchServer> patchServer_;
  std::optional<WebhookReceiver> webhook_;
  std::optional<WebhookReceiver> api_;
};

TEST_F(UpdaterEndToEndTest, SecondUpdaterShowsTheBoxAndClosesWithoutDisturbingTheFirst) {
  // Without a registry key the first updater waits in its "not installed" box.
  const fs::path firstOutput = root_ / "first-output.txt";
  ChildProcess first(program_ / "ZEFOLauncher.exe", {}, {root_, Environment(), true, firstOutput});
  ASSERT_TRUE(WaitUntil([&] { return ReadText(firstOutput).find("not installed") != std::string::npos; }, 30s));

  const std::string second = RunUpdater({});
  EXPECT_THAT(second, HasSubstr("== ZEFOLauncher_ERROR ==\nProgram is already Running\nAnswer: 1 = Confirm\n"));
  EXPECT_THAT(second, Not(HasSubstr("not installed")));

  EXPECT_TRUE(first.Running());
  first.Write("1\n");
  const auto exit = first.Wait(kRunLimit);
  ASSERT_TRUE(exit);
  EXPECT_TRUE(exit->exited && exit->code == 0);
  EXPECT_THAT(ReadText(firstOutput), Not(HasSubstr("already Running")));
}

TEST_F(UpdaterEndToEndTest, RunningLauncherIsShownTheTokenAndModeAndKeepsRunning) {
  StartServers();
  ASSERT_NO_FATAL_FAILURE(PublishBuilds());
  ASSERT_NO_FATAL_FAILURE(Install(101));
  const std::string window = "e2e-" + std::to_string(::getpid());
  InstallLaunchers("hold_mutex=1\nwindow=" + window + "\n");

  const struct {
    bool stage;
    std::vector<std::string> arguments;
    std::string broadcast;
  } cases[] = {
      {false, {"zefo-run:TAVRIN:abc"}, "showup_zlauncher 683 1365\n"},
      {true, {}, "showup_zlauncher 0 2951\n"},
      {false, {"TAVRIN:abc", "ZEFO_Starter"}, "showup_zlauncher 0 1365\n"},
  };
  for (const auto& c : cases) {
    if (c.stage) WriteFileBytes(program_ / "_stagemode.txt", "");
    fs::remove(program_ / "x64" / "ZLauncher.record");
    fs::remove(program_ / "x64" / "ZLauncher.broadcasts");
    ChildProcess launcher(program_ / "x64" / "ZLauncher.exe", {"ZEFO_Starter"}, {program_, {}, false, {}});
    ASSERT_TRUE(WaitForRecord("x64"));

    const std::string output = RunUpdater(c.arguments);
    // Another process may broadcast too: look for this one's message.
    EXPECT_TRUE(WaitUntil(
        [&] { return ReadText(program_ / "x64" / "ZLauncher.broadcasts").find(c.broadcast) != std::string::npos; },
        10s))
        << c.broadcast << ReadText(program_ / "x64" / "ZLauncher.broadcasts");
    EXPECT_TRUE(launcher.Running());
    EXPECT_THAT(output, Not(HasSubstr("Updating...")));
    fs::remove(program_ / "_stagemode.txt");
  }
  // No update was attempted.
  EXPECT_TRUE(patchServer_->Requests().empty());
  EXPECT_THAT(RegisteredVersion(), HasSubstr("\t101"));
}

TEST_F(UpdaterEndToEndTest, LauncherGetsTheArgumentsAndTheBuildOfTheMachine) {
  StartServers();
  ASSERT_NO_FATAL_FAILURE(PublishBuilds());
  ASSERT_NO_FATAL_FAILURE(Install(104));  // current: the updater starts the launcher at once

  const struct {
    std::vector<std::string> arguments;
    std::vector<std::string> launcherArguments;
    bool launcherRunning;  // a launcher without its mutex runs when the updater starts
  } cases[] = {
      {{}, {"ZEFO_Starter"}, false},
      {{"ZEFO_Restart", "A"}, {"ZEFO_Starter", "A"}, true},
      {{"A", "ZEFO_Restart", "two words", "x:TAVRIN:tok"}, {"ZEFO_Starter", "A", "two", "words", "x:TAVRIN:tok"}, true},
      // "ZEFO_Starter A " with its trailing space: nothing more arrives.
      {{"A", "ZEFO_Restart"}, {"ZEFO_Starter", "A"}, false},
  };
  for (const auto& c : cases) {
    for (const char* build : {"x86", "x64"}) fs::remove(program_ / build / "ZLauncher.record");
    std::optional<ChildProcess> old;
    if (c.launcherRunning) {
      WriteFileBytes(program_ / "x86" / "ZLauncher.conf", "stay=1\n");
      old.emplace(program_ / "x86" / "ZLauncher.exe", std::vector<std::string>{"ZEFO_Starter"},
                  ChildOptions{program_, {}, false, {}});
      ASSERT_TRUE(WaitForRecord("x86"));
      fs::remove(program_ / "x86" / "ZLauncher.record");
    }

    RunUpdater(c.arguments);
    const auto record = WaitForRecord("x64");
    ASSERT_TRUE(record) << "no launcher started";
    EXPECT_THAT(record->arguments, ElementsAreArray(c.launcherArguments));
    EXPECT_EQ(fs::path(record->folder), program_);
    EXPECT_EQ(record->executable, (program_ / "x64" / "ZLauncher.exe").string());
    // A 64-bit Linux system gets the 64-bit build only.
    EXPECT_FALSE(fs::exists(program_ / "x86" / "ZLauncher.record"));
    if (old) {
      const auto exit = old->Wait(10s);
      ASSERT_TRUE(exit) << "the running launcher was not ended";
      EXPECT_FALSE(exit->exited);
      EXPECT_EQ(exit->code, SIGKILL);
      fs::remove(program_ / "x86" / "ZLauncher.conf");
    }
  }
}

TEST_F(UpdaterEndToEndTest, TypicalRoadFrom101To104EndsWithTheLauncherStarted) {
  StartServers();
  ASSERT_NO_FATAL_FAILURE(PublishBuilds());
  ASSERT_NO_FATAL_FAILURE(Install(101));

  const std::string output = RunUpdater({});
  EXPECT_THAT(output, HasSubstr("Update\t Checking ...\nUpdating...\n"));
  EXPECT_THAT(output, HasSubstr("Progress: 100%\n"));
  const auto record = WaitForRecord("x64");
  ASSERT_TRUE(record) << output;
  EXPECT_THAT(record->arguments, ElementsAre("ZEFO_Starter"));
  EXPECT_EQ(fs::path(record->folder), program_);
  ExpectInstalled(builds_.back());
  EXPECT_THAT(RegisteredVersion(), HasSubstr("VERSION\tdword\t104"));
}

TEST_F(UpdaterEndToEndTest, DigestMismatchAnsweredWithFileRecoveryEndsTheSameWay) {
  StartServers();
  ASSERT_NO_FATAL_FAILURE(PublishBuilds());
  ASSERT_NO_FATAL_FAILURE(Install(101));
  patchServer_->SetAnswer("/patch/104/data/readme.txt", Answer::kWrongBytes);

  ChildProcess updater(program_ / "ZEFOLauncher.exe", {}, UpdaterOptions(true));
  // Waits for the box, or for anything that shows it will not come.
  WaitUntil(
      [&] {
        const std::string output = ReadText(output_);
        return output.find("Answer: ") != std::string::npos || !updater.Running();
      },
      kRunLimit);
  ASSERT_THAT(ReadText(output_), HasSubstr("Answer: 1 = file recovery, 2 = Quit\n"));
  EXPECT_THAT(RegisteredVersion(), HasSubstr("\t101"));
  patchServer_->ClearAnswers();
  updater.Write("1\n");
  updater.CloseInput();
  const auto exit = updater.Wait(kRunLimit);
  const std::string output = ReadText(output_);
  ASSERT_TRUE(exit && exit->exited && exit->code == 0) << output;

  const auto record = WaitForRecord("x64");
  ASSERT_TRUE(record) << output;
  EXPECT_THAT(record->arguments, ElementsAre("ZEFO_Starter"));
  ExpectInstalled(builds_.back());
  EXPECT_THAT(RegisteredVersion(), HasSubstr("VERSION\tdword\t104"));
  bool reported = false;
  for (const RecordedRequest& request : webhook_->Requests()) reported |= request.path == kWebhookPath;
  EXPECT_TRUE(reported);
}

}  // namespace
}  // namespace zefo::testing
