// The failure boxes of the file update and the edges of its manifests.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/update_run_fixture.h"
#include "updater/sys/last_error.h"
#include "updater/sys/text.h"

namespace zefo::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using Messages = std::vector<WindowMessage>;

TEST_F(UpdateRunTest, MissingManifestEndsTheRunWithTheManifestBox) {
  for (int answer : {MessageBoxDlg::kConfirm, MessageBoxDlg::kQuit}) {
    ScriptedWindow window;
    window.QueueAnswers({answer});
    hook_.ClearRequests();
    live_.SetVersionInfo(104);
    live_.PublishVersion(104, {{"a.txt", "a"}});
    live_.PublishVersion(102, {{"b.txt", "b"}});
    live_.WriteVersionHashes();  // 103 is missing
    InstallLauncher(101);

    manager_.CheckInstallation(window);
    UpdateWorker(manager_, &window);

    const auto boxes = window.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_THAT(boxes[0].message, StartsWith(L"Launcher patch failed.\n[ "));
    EXPECT_THAT(boxes[0].message, EndsWith(L" / 103 / download_info.txt"));
    EXPECT_FALSE(boxes[0].twoButtons);
    EXPECT_EQ(window.Posts(), answer == MessageBoxDlg::kConfirm ? Messages{WindowMessage::kAppExit} : Messages{});
    EXPECT_EQ(FetchCount("/patch/102/download_info.txt"), 0);
    EXPECT_FALSE(program_.Exists("a.txt"));
    ASSERT_EQ(Reports().size(), 1u);
    EXPECT_THAT(Reports()[0], HasSubstr("ZEFOLauncher Error : " + server_.httpsUrl() + "/patch/103/download_info.txt"));
  }
}

TEST_F(UpdateRunTest, FileThatDoesNotDownloadOffersRecovery) {
  window_.QueueAnswers({MessageBoxDlg::kConfirm});
  live_.SetVersionInfo(102);
  live_.PublishVersion(102, {{"x64/a.dll", "a"}});
  live_.WriteVersionHashes();
  server_.SetAnswer("/patch/102/x64/a.dll", Answer::kNotFound);
  InstallLauncher(101);

  RunUpdate();

  const auto boxes = window_.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_THAT(boxes[0].message, StartsWith(L"Launcher patch failed.\n[ "));
  EXPECT_THAT(boxes[0].message, EndsWith(L" / 102 / x64/a.dll"));
  EXPECT_EQ(boxes[0].confirmLabel, L"file recovery");
  EXPECT_TRUE(boxes[0].twoButtons);
  EXPECT_EQ(window_.Posts(), Messages{WindowMessage::kUpdateFullDownload});
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_THAT(Reports()[0], HasSubstr("ZEFOLauncher Error : " + server_.httpsUrl() + "/patch/102/x64/a.dll"));
  EXPECT_EQ(ReadVersionValue(kLiveKey), 101);
}

TEST_F(UpdateRunTest, FileWithoutPublishedDigestFailsItsCheck) {
  live_.SetVersionInfo(102);
  live_.PublishVersion(102, {{"x64/a.dll", "a"}, {"b.txt", "b"}});
  live_.WriteVersionHashes({PatchSite::HashRecordFor("b.txt", "b")});
  InstallLauncher(101);

  RunUpdate();

  const auto boxes = window_.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].message, L"The file has been tampered with. please try again.\n/ x64/a.dll / hash Download Error ");
  EXPECT_EQ(window_.Posts(), Messages{WindowMessage::kAppExit});
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_THAT(Reports()[0],
              HasSubstr("ZEFOLauncher File Hash Download Error : " + server_.httpsUrl() + "/patch/102/x64/a.dll"));
  EXPECT_FALSE(program_.Exists("b.txt"));
}

TEST_F(UpdateRunTest, FileInASubfolderIsLookedUpUnderItsBackslashName) {
  live_.SetVersionInfo(102);
  live_.PublishVersion(102, {{"x64/a.dll", "a"}});
  VersionHashRecord record = PatchSite::HashRecordFor("x64/a.dll", "a");
  EXPECT_EQ(record.name, "x64\\a.dll");
  live_.WriteVersionHashes({record});
  InstallLauncher(101);
  RunUpdate();
  EXPECT_EQ(window_.Posts(), Messages{WindowMessage::kUpdateLaunch});
  EXPECT_EQ(program_.Read("x64/a.dll"), "a");
}

TEST_F(UpdateRunTest, EmptyManifestsFetchNoDigestsAndLeaveTheVersion) {
  live_.SetVersionInfo(103);
  live_.PublishVersion(102, {});
  live_.PublishVersion(103, {});
  live_.WriteVersionHashes();
  InstallLauncher(101);

  RunUpdate();

  EXPECT_EQ(window_.Posts(), Messages{WindowMessage::kUpdateLaunch});
  EXPECT_EQ(FetchCount("/patch/VersionHash.inf"), 0);
  ASSERT_EQ(window_.ProgressCalls().size(), 1u);
  EXPECT_EQ(window_.ProgressCalls()[0].kind, WindowEvent::Kind::kBeginProgress);
  EXPECT_EQ(window_.ProgressCalls()[0].value, 0);
  EXPECT_EQ(ReadVersionValue(kLiveKey), 101);
}

TEST_F(UpdateRunTest, ManifestEndsAtItsFirstBlankLine) {
  live_.SetVersionInfo(102);
  live_.PublishVersion(102, {{"first.txt", "1"}, {"second.txt", "2"}});
  live_.WriteRaw("102/download_info.txt", "first.txt\r\n\r\nsecond.txt\r\n");
  live_.WriteVersionHashes();
  InstallLauncher(101);

  RunUpdate();

  EXPECT_EQ(window_.Posts(), Messages{WindowMessage::kUpdateLaunch});
  EXPECT_EQ(program_.Read("first.txt"), "1");
  EXPECT_FALSE(program_.Exists("second.txt"));
  EXPECT_EQ(FetchCount("/patch/102/second.txt"), 0);
}

TEST_F(UpdateRunTest, ListedNameTooLongForItsBufferIsRefusedNotCut) {
  // "Output//Launcher//download//" and the name do not fit 512 characters.
  const std::string name = std::string(300, 'd') + "/" + std::string(200, 'f');
  live_.SetVersionInfo(102);
  live_.WriteDownloadInfo(102, {name});
  live_.WriteVersionHashes({PatchSite::HashRecordFor(name, "x")});
  InstallLauncher(101);

  RunUpdate();

  const auto boxes = window_.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_THAT(boxes[0].message, StartsWith(L"Launcher patch failed.\n[ " +
                                           std::to_wstring(ToErrorCode(ZefoError::kPathTooLong)) + L" ] / "));
  EXPECT_EQ(FetchCount("/patch/VersionHash.inf"), 1);
  EXPECT_EQ(ListFiles(program_.path() / "Output/Launcher/download"), std::vector<std::string>{});
}

}  // namespace
}  // namespace zefo::testing
