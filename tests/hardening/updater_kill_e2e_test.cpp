// The real updater killed with SIGKILL at points spread over a whole update
// from 101 to 104 (manifests, downloads, proof, install, its own new build,
// the record, the restart). After every kill "VERSION" must not claim more
// than the folder holds, and the next run must end with exactly build 104
// installed, the new updater in place and the launcher started.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/app/child_process.h"
#include "tests/fixtures/configured_ports.h"
#include "tests/fixtures/test_servers.h"
#include "tests/hardening/kill_support.h"
#include "tests/support/test_folders.h"
#include "tests/support/test_launcher_files.h"
#include "tests/support/test_registry.h"

namespace zefo::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const fs::path kUpdaterProgram = ZEFO_UPDATER_PROGRAM;
const fs::path kTestLauncherProgram = ZEFO_TEST_LAUNCHER_PROGRAM;
const fs::path kPublishProgram = ZEFO_PUBLISH_PROGRAM;
constexpr auto kRunLimit = 120s;

void CopyExecutable(const fs::path& from, const fs::path& to) {
  fs::create_directories(to.parent_path());
  fs::copy_file(from, to, fs::copy_options::overwrite_existing);
  fs::permissions(to, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec,
                  fs::perm_options::replace);
}

// Where a run is stopped: a name for the failure output and the moment.
struct KillPoint {
  std::string name;
  std::function<bool(std::chrono::milliseconds)> reached;  // given the time since the start
  bool timed = false;  // a moment in time, which a quick run may have passed already
};

class UpdaterKillTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { UseTemporaryRegistry(); }

  void SetUp() override {
    TestCaBundlePath();  // the updater trusts the loopback servers' CA
    fs::create_directories(site_ / "patch");
    PublishBuilds();
    patchServer_.emplace(site_.string(), ConfiguredPatchPorts());
    webhook_.emplace(ConfiguredWebhookPorts());
    api_.emplace(ConfiguredApiPorts());
    api_->SetAddressInfo("{\"ip\":\"127.0.0.1\",\"country\":\"ZZ\"}");
  }

  void TearDown() override {
    KillProcessesIn(program_);
    DeleteLauncherKey(kLiveKey);
  }

  // 101 to 104; 104 brings a new build of the updater and a file large
  // enough for a kill to land inside its download and its copy.
  void PublishBuilds() {
    const std::string launcher = ReadWholeFile(kTestLauncherProgram);
    const std::string updater = ReadWholeFile(kUpdaterProgram);
    std::string large(3 << 20, '\0');
    for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>(i * 131 + (i >> 12));
    const std::map<int, std::map<std::string, std::string>> builds = {
        {101, {{"ZEFOLauncher.exe", updater}, {"x64/ZLauncher.exe", launcher}, {"data/readme.txt", "readme 101"},
               {"lib/core.dll", "core 101"}, {"data/large.bin", large + "101"}}},
        {102, {{"ZEFOLauncher.exe", updater}, {"x64/ZLauncher.exe", launcher}, {"data/readme.txt", "readme 102"},
               {"lib/core.dll", "core 101"}, {"data/large.bin", large + "101"}, {"lib/new.dll", "new 102"}}},
        {103, {{"ZEFOLauncher.exe", updater}, {"x64/ZLauncher.exe", launcher + "build 103"},
               {"data/readme.txt", "readme 102"}, {"lib/core.dll", "core 103"}, {"data/large.bin", large + "103"},
               {"lib/new.dll", "new 102"}}},
        // Bytes after an ELF image are never read: a changed program that still runs.
        {104, {{"ZEFOLauncher.exe", updater + "build 104"}, {"x64/ZLauncher.exe", launcher + "build 103"},
               {"data/readme.txt", "readme 104"}, {"lib/core.dll", "core 104"}, {"data/large.bin", large + "104"},
               {"lib/new.dll", "new 102"}, {"data/sub/deep.txt", "deep 104"}}},
    };
    for (const auto& [version, files] : builds) {
      const fs::path build = root_ / "builds" / std::to_string(version);
      for (const auto& [name, bytes] : files) WriteFileBytes(build / name, bytes);
      const RunResult result =
          RunToEnd(kPublishProgram,
                   {"release", (site_ / "patch").string(), build.string(), "--version", std::to_string(version)}, {},
                   60s);
      ASSERT_TRUE(result.exit && result.exit->exited && result.exit->code == 0) << result.output;
    }
  }

  fs::path Build(int version) const { return root_ / "builds" / std::to_string(version); }

  // A fresh installation of 101, as its installer leaves it.
  void Install101() {
    KillProcessesIn(program_);
    fs::remove_all(program_);
    for (const std::string& name : ListFiles(Build(101))) {
      CopyExecutable(Build(101) / name, program_ / name);
    }
    WriteLauncherKey(kLiveKey, (program_ / "ZEFOLauncher.exe").wstring(), program_.wstring(), 101);
  }

  std::map<std::string, std::string> Environment() const {
    return {{"XDG_CONFIG_HOME", std::getenv("XDG_CONFIG_HOME")}};
  }

  // `input`: its boxes are answered through a pipe.
  std::unique_ptr<ChildProcess> StartUpdater(bool input = false) {
    fs::remove(output_);
    return std::make_unique<ChildProcess>(program_ / "ZEFOLauncher.exe", std::vector<std::string>{},
                                          ChildOptions{root_, Environment(), input, output_});
  }

  std::int32_t RecordedVersion() const { return ReadVersionValue(kLiveKey).value_or(-1); }

  // "VERSION" never ahead of the files: once it says 104, every file of 104
  // is there with its bytes, the new updater included. Whatever it says, an
  // updater is there to start.
  void ExpectNeverAhead(const std::string& when) {
    const std::int32_t version = RecordedVersion();
    ASSERT_TRUE(version == 101 || version == 104) << when << ": VERSION " << version;
    EXPECT_TRUE(fs::exists(program_ / "ZEFOLauncher.exe")) << when << ": no updater left to start";
    if (version == 104) ExpectBuild104(when);
  }

  void ExpectBuild104(const std::string& when) {
    for (const std::string& name : ListFiles(Build(104))) {
      // Not EXPECT_EQ: a program's bytes make no readable failure.
      EXPECT_TRUE(ReadWholeFile(program_ / name) == ReadWholeFile(Build(104) / name)) << when << ": " << name;
    }
    EXPECT_FALSE(fs::exists(program_ / "ZEFOLauncher_New.exe")) << when;
  }

  // Runs the updater until the launcher runs: through the restart when the
  // update brought a new updater.
  void RunToTheEnd(const std::string& when) {
    fs::remove(program_ / "x64" / "ZLauncher.record");
    std::string output;
    for (int attempt = 0; attempt < 3; ++attempt) {
      const std::unique_ptr<ChildProcess> updater = StartUpdater();
      const auto exit = updater->Wait(kRunLimit);
      output = ReadWholeFile(output_);
      ASSERT_TRUE(exit && exit->exited && exit->code == 0) << when << ":\n" << output;
      // Another test's updater may hold the machine-wide instance name a moment.
      if (output.find("Program is already Running") == std::string::npos) break;
      std::this_thread::sleep_for(1s);
    }
    const bool launched = WaitUntil(
        [&] { return ReadLauncherRecord(program_ / "x64" / "ZLauncher.record").has_value(); }, 60s);
    ASSERT_TRUE(launched) << when << ": the launcher was not started\n" << output;
    KillProcessesIn(program_);
    EXPECT_EQ(RecordedVersion(), 104) << when;
    ExpectBuild104(when);
  }

  // Starts the updater on a fresh 101, kills it at each point in turn (each
  // kill followed by a new start), checks the record after each kill, then
  // lets a last run finish. `recover`: a failure box met on the way is
  // answered "file recovery", which starts the full download. A sequence whose
  // run passed a point unseen is tried again on a fresh 101.
  void KillAtThenFinish(const std::vector<KillPoint>& points, bool recover = false) {
    std::string when;
    bool missed = false;
    bool failed = false;
    const bool hit = HitWithinTries([&] {
      failed = true;  // until a try ends without a fatal failure
      [&] {
        ASSERT_NO_FATAL_FAILURE(KillAt(points, recover, when, missed));
        failed = false;
      }();
      return failed || !missed;
    });
    if (failed) return;
    EXPECT_TRUE(hit) << when << ": in five tries a run ended before the point\n" << ReadWholeFile(output_);
    patchServer_->ClearAnswers();
    RunToTheEnd(when);
  }

  // One try of KillAtThenFinish's kills; `missed`: a run ended before its point.
  void KillAt(const std::vector<KillPoint>& points, bool recover, std::string& when, bool& missed) {
    Install101();
    when.clear();
    missed = false;
    for (const KillPoint& point : points) {
      when += (when.empty() ? "killed " : ", then ") + point.name;
      const std::unique_ptr<ChildProcess> updater = StartUpdater(recover);
      bool answered = false;
      const auto reached = [&](std::chrono::milliseconds elapsed) {
        if (recover && !answered &&
            ReadWholeFile(output_).find("Answer: 1 = file recovery") != std::string::npos) {
          updater->Write("1\n");
          answered = true;
        }
        return point.reached(elapsed);
      };
      const bool killed = KillWhen(*updater, reached, kRunLimit);
      // A run that restarted itself goes on detached: stop it there too.
      KillProcessesIn(program_);
      ASSERT_NO_FATAL_FAILURE(ExpectNeverAhead(when));
      if (!killed && !point.timed) {
        missed = true;
        return;
      }
    }
  }

  bool Staged(const std::string& relative) const { return fs::exists(program_ / "Output/Launcher" / relative); }

  TempFolder temp_;
  const fs::path root_ = temp_.path();
  const fs::path program_ = root_ / "program";
  const fs::path site_ = root_ / "site";
  const fs::path output_ = root_ / "updater-output.txt";
  std::optional<PatchServer> patchServer_;
  std::optional<WebhookReceiver> webhook_;
  std::optional<WebhookReceiver> api_;
};

TEST_F(UpdaterKillTest, KilledWhileFetchingAndProvingThenRunAgain) {
  const fs::path staged = program_ / "Output/Launcher/download";
  const std::vector<std::vector<KillPoint>> cases = {
      {{"as the first manifest arrives", [&](auto) { return Staged("104_download_info.txt"); }},
       {"as the large file is half staged", [&](auto) { return SizeOf(staged / "data/large.bin") > (1u << 20); }}},
      {{"once the last manifest is in", [&](auto) { return Staged("102_download_info.txt"); }},
       {"as the first file is staged", [&](auto) { return fs::exists(staged / "ZEFOLauncher_New.exe"); }}},
  };
  for (const auto& points : cases) KillAtThenFinish(points);
}

TEST_F(UpdaterKillTest, KilledWhileInstallingItsOwnNewBuildAndRecordingThenRunAgain) {
  const std::vector<std::vector<KillPoint>> cases = {
      {{"as the large file is copied over", [&](auto) { return SizeOf(program_ / "data/large.bin") < (3u << 20); }}},
      {{"as the new launcher is written beside it",
        [&](auto) { return fs::exists(program_ / "x64/ZLauncher.zefo-new.exe"); }}},
      {{"as the new updater is copied in", [&](auto) { return fs::exists(program_ / "ZEFOLauncher_New.exe"); }}},
      {{"as the running updater is set aside", [&](auto) { return fs::exists(program_ / "ZEFOLauncher.exe_old"); }}},
      {{"as the version is recorded", [&](auto) { return RecordedVersion() == 104; }}},
      {{"as the restart is asked for", [&](auto) { return ReadWholeFile(output_).find("Restart") != std::string::npos; }}},
  };
  for (const auto& points : cases) KillAtThenFinish(points);
}

TEST_F(UpdaterKillTest, KilledDuringTheFullDownloadThenRunAgain) {
  // A file that fails its digest: "file recovery" starts the full download.
  patchServer_->SetAnswer("/patch/104/data/readme.txt", Answer::kWrongBytes);
  KillAtThenFinish({{"as the full download's list arrives", [&](auto) { return Staged("FullPatchInfo.inf"); }},
                    {"as the full download writes the large file beside its target",
                     [&](auto) { return fs::exists(program_ / "data/large.zefo-new.bin"); }}},
                   true);
}

TEST_F(UpdaterKillTest, KilledAfterSpreadTimesThenRunAgain) {
  // Whatever the run is doing at these moments.
  for (const auto delay : {60ms, 300ms}) {
    KillAtThenFinish({{"after " + std::to_string(delay.count()) + " ms",
                       [delay](std::chrono::milliseconds elapsed) { return elapsed >= delay; }, true}});
  }
}

}  // namespace
}  // namespace zefo::testing
