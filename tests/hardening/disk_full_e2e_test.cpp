// Full disks: the program folder (or the publisher's tree) on a file system
// of a few MiB. Staging that does not fit is a failed download of that file,
// with the system's reason in its box and report; an install that cannot
// copy puts back what it set aside and leaves "VERSION" alone; a release that
// does not fit leaves the published tree as it was.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/app/child_process.h"
#include "tests/fixtures/test_servers.h"
#include "tests/hardening/kill_support.h"
#include "tests/hardening/small_disk.h"
#include "tests/support/loopback_endpoints.h"
#include "tests/support/patch_site.h"
#include "tests/support/scripted_window.h"
#include "tests/support/test_folders.h"
#include "tests/support/test_registry.h"
#include "updater/engine/formats/manifest_formats.h"
#include "updater/engine/patch_manager.h"
#include "updater/sys/file_system.h"

namespace zefo::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::HasSubstr;

const fs::path kPublishProgram = ZEFO_PUBLISH_PROGRAM;

std::string Bytes(std::size_t size, char seed) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(seed + i * 7 + (i >> 10));
  return bytes;
}

// Files below `folder` with their bytes.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const std::string& name : ListFiles(folder)) files[name] = ReadWholeFile(folder / name);
  return files;
}

std::string NoSpaceText() { return std::strerror(ENOSPC); }

// The engine in a program folder on a 4 MiB disk, against the loopback servers.
class FullDiskUpdateTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { UseTemporaryRegistry(); }

  void SetUp() override {
    if (!disk_.refusal().empty()) GTEST_SKIP() << disk_.refusal();
    fs::create_directories(program_);
    previous_ = fs::current_path();
    fs::current_path(program_);  // the engine works in the current folder
    WriteLauncherKey(kLiveKey, (program_ / "ZEFOLauncher.exe").wstring(), program_.wstring(), 101);
    site_.SetVersionInfo(102);
  }

  void TearDown() override {
    std::error_code error;
    fs::current_path(previous_, error);
    DeleteLauncherKey(kLiveKey);
  }

  void Publish(const std::vector<SiteFile>& files) {
    site_.PublishVersion(102, files);
    site_.WriteVersionHashes();
  }

  void RunUpdate() {
    manager_.CheckInstallation(window_);
    UpdateWorker(manager_, &window_);
  }

  std::vector<std::string> Reports() const {
    std::vector<std::string> bodies;
    for (const RecordedRequest& request : hook_.Requests()) {
      if (request.method == "POST" && request.path == kWebhookPath) bodies.push_back(request.body);
    }
    return bodies;
  }

  // One failed-download box for `name` quoting the full disk, its report,
  // and nothing of the name installed.
  void ExpectFailedDownloadOfFullDisk(const std::string& name) {
    const auto boxes = window_.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    const std::string message(boxes[0].message.begin(), boxes[0].message.end());
    EXPECT_THAT(message, HasSubstr("Launcher patch failed.\n[ " + std::to_string(ENOSPC) + " ] / " + NoSpaceText()));
    EXPECT_THAT(message, HasSubstr(" / 102 / " + name));
    EXPECT_TRUE(boxes[0].twoButtons);  // "file recovery" or "Quit"
    const auto reports = Reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_THAT(reports[0], HasSubstr(name));
    EXPECT_THAT(reports[0], HasSubstr(NoSpaceText()));
    EXPECT_FALSE(fs::exists(program_ / name));
    EXPECT_EQ(ReadVersionValue(kLiveKey), 101);
  }

  SmallDisk disk_{"4m"};
  const fs::path program_ = disk_.path() / "program";
  fs::path previous_;
  TempFolder serverRoot_;
  PatchServer server_{serverRoot_.path().string()};
  WebhookReceiver hook_;
  PatchSite site_{serverRoot_.path() / "patch"};
  PatchManager manager_{LoopbackEndpoints(server_, hook_)};
  ScriptedWindow window_;
};

TEST_F(FullDiskUpdateTest, FileLargerThanTheDiskIsAFailedDownloadNeverAProvenFile) {
  Publish({{"a.txt", "small"}, {"big.bin", Bytes(6 << 20, 'b')}});
  window_.QueueAnswers({MessageBoxDlg::kQuit});
  RunUpdate();
  ExpectFailedDownloadOfFullDisk("big.bin");
  EXPECT_FALSE(fs::exists(program_ / "a.txt"));  // nothing is installed before every file is proven
}

TEST_F(FullDiskUpdateTest, BodyThatNeverEndsStopsAtTheFullDisk) {
  Publish({{"endless.bin", "what the digest was made of"}});
  server_.SetAnswer("/patch/102/endless.bin", Answer::kEndless);
  window_.QueueAnswers({MessageBoxDlg::kQuit});
  RunUpdate();
  ExpectFailedDownloadOfFullDisk("endless.bin");
}

TEST_F(FullDiskUpdateTest, InstallThatCannotCopyPutsBackWhatItSetAsideAndKeepsTheVersion) {
  // Staged, both fit; installed beside their staged copies, the second does not.
  WriteFileBytes(program_ / "a.dll", "old a");
  WriteFileBytes(program_ / "b.dll", "old b");
  const std::string newA = Bytes(1300 << 10, 'a');
  Publish({{"a.dll", newA}, {"b.dll", Bytes(1300 << 10, 'c')}});
  window_.QueueAnswers({MessageBoxDlg::kConfirm});
  RunUpdate();

  const auto boxes = window_.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].message, L"Launcher patch failed.\n[ File Copy Error ] /  b.dll");
  EXPECT_EQ(window_.Posts(), std::vector<WindowMessage>{WindowMessage::kAppExit});
  EXPECT_TRUE(ReadWholeFile(program_ / "a.dll") == newA);  // copied before the failure: stays
  EXPECT_EQ(ReadWholeFile(program_ / "b.dll"), "old b");
  EXPECT_FALSE(fs::exists(program_ / "b.dll.old"));
  EXPECT_EQ(ReadVersionValue(kLiveKey), 101);
}

TEST_F(FullDiskUpdateTest, FullDownloadThatCannotCopyPutsBackWhatItSetAsideAndKeepsTheVersion) {
  WriteFileBytes(program_ / "a.dll", "old a");
  WriteFileBytes(program_ / "b.dll", "old b");
  const std::string newA = Bytes(1300 << 10, 'a');
  const std::string newB = Bytes(1300 << 10, 'c');
  std::vector<FullPatchRecord> records;
  for (const auto& [name, bytes] : {std::pair<std::string, std::string>{"a.dll", newA}, {"b.dll", newB}}) {
    site_.WriteRaw("full/" + name, bytes);
    FullPatchRecord record;
    record.installPath = name;
    record.remotePath = "full/" + name;
    record.digestText = Md5Hex(bytes);
    const VersionHashRecord digest = PatchSite::HashRecordFor(name, bytes);
    std::copy(digest.digest, digest.digest + 16, record.digest);
    records.push_back(record);
  }
  {
    const FileHandle file = OpenForWriting((site_.base() / "FullPatchInfo.inf").wstring());
    ASSERT_TRUE(file && WriteFullPatchFile(file.get(), records));
  }
  manager_.CheckInstallation(window_);
  manager_.m_latestVersion = 102;
  window_.QueueAnswers({MessageBoxDlg::kQuit});

  EXPECT_FALSE(manager_.FullDownload(window_));
  const auto boxes = window_.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].message, L"Launcher patch failed.\n[ File Copy Error ] /  b.dll");
  EXPECT_TRUE(ReadWholeFile(program_ / "a.dll") == newA);
  EXPECT_EQ(ReadWholeFile(program_ / "b.dll"), "old b");
  EXPECT_FALSE(fs::exists(program_ / "b.dll.old"));
  EXPECT_EQ(ReadVersionValue(kLiveKey), 101);
}

// zefo-publish with its tree on a 4 MiB disk.
class FullDiskPublishTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!disk_.refusal().empty()) GTEST_SKIP() << disk_.refusal();
  }

  RunResult Publish(int version, const std::map<std::string, std::string>& files) {
    const fs::path build = builds_.path() / std::to_string(version);
    for (const auto& [name, bytes] : files) WriteFileBytes(build / name, bytes);
    return RunToEnd(kPublishProgram,
                    {"release", root_.string(), build.string(), "--version", std::to_string(version)}, {}, 60s);
  }

  static bool Succeeded(const RunResult& result) { return result.exit && result.exit->exited && result.exit->code == 0; }

  SmallDisk disk_{"4m"};
  const fs::path root_ = disk_.path() / "patch";
  TempFolder builds_;
};

TEST_F(FullDiskPublishTest, ReleaseThatDoesNotFitLeavesThePublishedTreeAsItWas) {
  const std::map<std::string, std::string> build103 = {
      {"ZEFOLauncher.exe", "updater"}, {"x64/ZLauncher.exe", "launcher 103"}, {"data/readme.txt", "readme 103"}};
  const RunResult first = Publish(103, build103);
  ASSERT_TRUE(Succeeded(first)) << first.output;
  const auto before = Snapshot(root_);

  std::map<std::string, std::string> build104 = build103;
  build104["data/readme.txt"] = "readme 104";
  build104["data/large.bin"] = Bytes(5 << 20, 'L');
  const RunResult refused = Publish(104, build104);
  EXPECT_FALSE(Succeeded(refused)) << refused.output;
  EXPECT_THAT(refused.output, HasSubstr("nothing was published"));
  EXPECT_TRUE(Snapshot(root_) == before) << "the published tree changed";

  // With room again, the same release goes through.
  ASSERT_TRUE(disk_.Resize("32m"));
  const RunResult again = Publish(104, build104);
  ASSERT_TRUE(Succeeded(again)) << again.output;
  EXPECT_EQ(ReadWholeFile(root_ / "VersionInfo.txt"), "104\n");
  const RunResult verify = RunToEnd(kPublishProgram, {"verify", root_.string()}, {}, 60s);
  EXPECT_TRUE(Succeeded(verify)) << verify.output;
}

}  // namespace
}  // namespace zefo::testing
