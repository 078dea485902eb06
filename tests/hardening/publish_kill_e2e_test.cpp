// The real `zefo-publish release` killed with SIGKILL at points spread over a
// release of 104 over a published 103: after each kill, installations see 103
// or 104 whole (updated or fully downloaded, they end with exactly that
// build), and the same release run again completes it.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/app/child_process.h"
#include "tests/hardening/kill_support.h"
#include "tests/publish/client_model.h"
#include "tests/support/test_folders.h"

namespace zefo::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const fs::path kPublishProgram = ZEFO_PUBLISH_PROGRAM;

bool Succeeded(const RunResult& result) { return result.exit && result.exit->exited && result.exit->code == 0; }

// A file of the tree's top whose name ends with `suffix`.
bool TopFileEndingWith(const fs::path& root, const std::string& suffix) {
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(root, error)) {
    const std::string name = entry.path().filename().string();
    if (name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
      return true;
    }
  }
  return false;
}

class PublishKillTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteBuild(103, {{"ZEFOLauncher.exe", "updater 103"}, {"x64/ZLauncher.exe", "launcher 103"},
                     {"data/readme.txt", "readme 103"}, {"data/old.txt", "old"}});
    std::string large(4 << 20, '\0');
    for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>(i * 13 + (i >> 9));
    WriteBuild(104, {{"ZEFOLauncher.exe", "updater 104"}, {"x64/ZLauncher.exe", "launcher 104"},
                     {"data/readme.txt", "readme 104"}, {"data/large.bin", large}});
    const RunResult first = Release(103);
    ASSERT_TRUE(Succeeded(first)) << first.output;
    fs::copy(root_, pristine_, fs::copy_options::recursive);
  }

  void WriteBuild(int version, const std::map<std::string, std::string>& files) {
    for (const auto& [name, bytes] : files) WriteFileBytes(Build(version) / name, bytes);
  }
  fs::path Build(int version) const { return temp_.path() / "builds" / std::to_string(version); }

  std::vector<std::string> ReleaseArguments(int version) const {
    return {"release", root_.string(), Build(version).string(), "--version", std::to_string(version)};
  }
  RunResult Release(int version) { return RunToEnd(kPublishProgram, ReleaseArguments(version), {}, 120s); }

  // What installations of 103 make of the tree, by the updater's rules.
  void ExpectWholePublication(const std::string& when) {
    using namespace zefo::publish::testing;
    const std::int32_t published = PublishedVersionOf(root_);
    ASSERT_TRUE(published == 103 || published == 104) << when << ": publishes " << published;
    const FileMap expected = ReadFiles(Build(published));
    const FileMap installed = ReadFiles(Build(103));
    const ClientOutcome update = UpdateLikeClient(root_, 103, installed);
    EXPECT_TRUE(update.ok) << when << ", update: " << update.failure;
    EXPECT_EQ(DescribeDifference(update.program, expected), "") << when << ", update";
    const ClientOutcome full = FullDownloadLikeClient(root_, installed);
    EXPECT_TRUE(full.ok) << when << ", full download: " << full.failure;
    EXPECT_EQ(DescribeDifference(full.program, expected), "") << when << ", full download";
  }

  TempFolder temp_;
  const fs::path root_ = temp_.path() / "root";
  const fs::path pristine_ = temp_.path() / "pristine";
};

TEST_F(PublishKillTest, KilledAtPointsOfAReleaseThenReleasedAgain) {
  const fs::path large = root_ / "104" / "data";
  const std::vector<std::pair<std::string, std::function<bool(std::chrono::milliseconds)>>> points = {
      {"as the new version's folder appears", [&](auto) { return fs::exists(root_ / "104"); }},
      {"while the large file is copied",
       [&](auto) { return TopFileEndingWith(large, ".zefo-publish-tmp") || SizeOf(large / "large.bin") > 0; }},
      {"as the first new top file is written", [&](auto) { return TopFileEndingWith(root_, ".zefo-publish-tmp"); }},
      {"as the version is switched", [&](auto) { return ReadWholeFile(root_ / "VersionInfo.txt") == "104\n"; }},
      {"after 30 ms", [](std::chrono::milliseconds elapsed) { return elapsed >= 30ms; }},
  };
  for (const auto& [name, reached] : points) {
    const std::string when = "killed " + name;
    // A moment in time may come after a quick release has ended.
    const bool timed = name.rfind("after ", 0) == 0;
    const bool killed = HitWithinTries([&] {
      fs::remove_all(root_);
      fs::copy(pristine_, root_, fs::copy_options::recursive);
      ChildProcess release(kPublishProgram, ReleaseArguments(104), {});
      return KillWhen(release, reached, 120s) || timed;
    });
    EXPECT_TRUE(killed) << when << ": five releases ended before the point";
    ExpectWholePublication(when);
    // Killed after the switch, the release is done: a second one is refused.
    const bool switched = ReadWholeFile(root_ / "VersionInfo.txt") == "104\n";
    const RunResult again = Release(104);
    EXPECT_EQ(Succeeded(again), !switched) << when << ", then released again:\n" << again.output;
    EXPECT_EQ(ReadWholeFile(root_ / "VersionInfo.txt"), "104\n") << when;
    ExpectWholePublication(when + ", then released again");
  }
}

}  // namespace
}  // namespace zefo::testing
