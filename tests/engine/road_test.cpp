// The regular update end to end: a real loopback patch server, a program
// folder, the registry store and a scripted window.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/support/update_run_fixture.h"
#ifdef _WIN32
#include "tests/support/win32/reg_exe_win32.h"
#endif
#include "updater/sys/last_error.h"
#include "updater/sys/text.h"

namespace zefo::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using ::testing::EndsWith;
using Messages = std::vector<WindowMessage>;

constexpr auto kWorkerLimit = std::chrono::seconds(120);

#ifndef _WIN32
bool IsExecutable(const fs::path& path) {
  return (fs::status(path).permissions() & fs::perms::owner_exec) != fs::perms::none;
}
#endif

TEST_F(UpdateRunTest, TypicalRoadFetchesNewestFirstProvesInstallsAndLaunches) {
  program_.Write("x86/ZLauncher.exe", "launcher 101");
  program_.Write("libcurl.dll", "curl 101");
  program_.Write("keep.txt", "untouched");
  live_.SetVersionInfo(104);
  live_.PublishVersion(102, {{"x86/ZLauncher.exe", "launcher 102"}, {"libcurl.dll", "curl 102"}});
  live_.PublishVersion(103, {});
  live_.PublishVersion(104, {{"x86/ZLauncher.exe", "launcher 104"}, {"x64/ZLauncher.exe", "launcher64 104"}});
  live_.WriteVersionHashes();
  InstallLauncher(101);

  manager_.CheckInstallation(window_);
  std::thread worker([&] { UpdateWorker(manager_, &window_); });
  const bool posted = window_.WaitForAnyPost(kWorkerLimit);
  worker.join();
  ASSERT_TRUE(posted);

  EXPECT_EQ(window_.Posts(), Messages{WindowMessage::kUpdateLaunch});
  EXPECT_TRUE(window_.Boxes().empty());
  EXPECT_EQ(manager_.m_latestVersion, 104);
  EXPECT_EQ(manager_.m_publicAddressInfo, "203.0.113.7 KR") << RequestTrace();

  const std::vector<std::string> fetched = FetchedPaths();
  const std::vector<std::string> expected = {
      "/patch/VersionInfo.txt",       "/patch/104/download_info.txt", "/patch/103/download_info.txt",
      "/patch/102/download_info.txt", "/patch/VersionHash.inf",       "/patch/102/libcurl.dll",
      "/patch/104/x64/ZLauncher.exe", "/patch/104/x86/ZLauncher.exe"};
  EXPECT_EQ(fetched, expected) << RequestTrace();
  EXPECT_EQ(FetchCount("/patch/102/x86/ZLauncher.exe"), 0);

  EXPECT_EQ(program_.Read("x86/ZLauncher.exe"), "launcher 104");
  EXPECT_EQ(program_.Read("x86/ZLauncher.exe.old"), "launcher 101");
  EXPECT_EQ(program_.Read("x64/ZLauncher.exe"), "launcher64 104");
  EXPECT_EQ(program_.Read("libcurl.dll"), "curl 102");
  EXPECT_FALSE(program_.Exists("libcurl.dll.old"));
  EXPECT_EQ(program_.Read("keep.txt"), "untouched");
#ifndef _WIN32
  EXPECT_TRUE(IsExecutable(program_.path() / "x64/ZLauncher.exe"));
  EXPECT_FALSE(IsExecutable(program_.path() / "libcurl.dll"));
#endif
  EXPECT_EQ(ReadVersionValue(kLiveKey), 104);
#ifdef _WIN32
  // As an operator sees it with the system's own tool.
  const auto version = QueryWithRegExe(kLiveKey, L"VERSION");
  ASSERT_TRUE(version);
  EXPECT_EQ(version->type, "REG_DWORD");
  EXPECT_EQ(version->data, "0x68");
#endif
  EXPECT_TRUE(Reports().empty());

  std::vector<int> progress;
  for (const WindowEvent& call : window_.ProgressCalls()) progress.push_back(call.value);
  EXPECT_EQ(progress, (std::vector<int>{3, 1, 2, 3}));
  EXPECT_EQ(window_.ProgressCalls().front().kind, WindowEvent::Kind::kBeginProgress);
}

TEST_F(UpdateRunTest, NothingToDoWhenInstalledIsNotBelowPublished) {
  struct Case {
    std::int32_t installed;
    std::int32_t published;
  } cases[] = {{120, 120}, {120, 100}, {101, 0}};
  for (const Case& c : cases) {
    ScriptedWindow window;
    live_.SetVersionInfo(c.published);
    InstallLauncher(c.installed);
    server_.ClearRequests();
    manager_.CheckInstallation(window);
    UpdateWorker(manager_, &window);
    EXPECT_EQ(window.Posts(), Messages{WindowMessage::kUpdateLaunch}) << c.installed << " " << c.published;
    EXPECT_EQ(FetchedPaths(), std::vector<std::string>{"/patch/VersionInfo.txt"});
    EXPECT_EQ(ReadVersionValue(kLiveKey), c.installed);
    EXPECT_TRUE(window.Boxes().empty());
  }
}

TEST_F(UpdateRunTest, TamperedFileIsReportedAndNothingIsInstalled) {
  for (int answer : {MessageBoxDlg::kConfirm, MessageBoxDlg::kQuit}) {
    ScriptedWindow window;
    window.QueueAnswers({answer});
    hook_.ClearRequests();
    fs::remove_all(program_.path() / "Output");
    live_.SetVersionInfo(102);
    live_.PublishVersion(102, {{"a.dll", "library"}, {"b.txt", "text of b"}});
    live_.WriteVersionHashes();
    server_.SetAnswer("/patch/102/b.txt", Answer::kWrongBytes);
    InstallLauncher(101);

    manager_.CheckInstallation(window);
    UpdateWorker(manager_, &window);

    const auto boxes = window.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, L"ERROR");
    EXPECT_EQ(boxes[0].message, L"The file has been tampered with. please try again.\n/ b.txt /");
    EXPECT_EQ(boxes[0].confirmLabel, L"file recovery");
    EXPECT_TRUE(boxes[0].twoButtons);
    EXPECT_TRUE(boxes[0].alert);
    EXPECT_EQ(window.Posts(), Messages{answer == MessageBoxDlg::kConfirm ? WindowMessage::kUpdateFullDownload
                                                                         : WindowMessage::kAppExit});
    EXPECT_GE(window.ClearWorkerStartedCount(), 1);
    EXPECT_FALSE(program_.Exists("a.dll"));
    EXPECT_FALSE(program_.Exists("b.txt"));
    EXPECT_EQ(ReadVersionValue(kLiveKey), 101);

    const auto reports = Reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_THAT(reports[0], HasSubstr("ZEFOLauncher File Hash Error : " + server_.httpsUrl() + "/patch/102/b.txt"));
    EXPECT_THAT(reports[0], HasSubstr(Md5Hex("text of b")));
    EXPECT_THAT(reports[0], HasSubstr("203.0.113.7 KR")) << RequestTrace();
  }
}

TEST_F(UpdateRunTest, NewUpdaterIsProvenAgainstItsPublishedNameAndRestarts) {
  program_.Write("ZEFOLauncher.exe", "updater 101");
  live_.SetVersionInfo(102);
  live_.PublishVersion(102, {{"ZEFOLauncher_New.exe", "updater 102"}});
  live_.WriteVersionHashes();  // lists it as "ZEFOLauncher.exe"
  InstallLauncher(101);

  RunUpdate();

  EXPECT_EQ(window_.Posts(), Messages{WindowMessage::kUpdateRestart});
  EXPECT_TRUE(window_.Boxes().empty());
  EXPECT_EQ(program_.Read("ZEFOLauncher.exe"), "updater 102");
  EXPECT_EQ(program_.Read("ZEFOLauncher.exe_old"), "updater 101");
  EXPECT_FALSE(program_.Exists("ZEFOLauncher_New.exe"));
#ifndef _WIN32
  EXPECT_TRUE(IsExecutable(program_.path() / "ZEFOLauncher.exe"));
#endif
  EXPECT_EQ(ReadVersionValue(kLiveKey), 102);
}

TEST_F(UpdateRunTest, VersionCheckFailureReportsAndMayLaunchWithoutUpdate) {
  // Endpoints of a server that has gone away.
  Endpoints gone;
  {
    TempFolder root;
    PatchServer down(root.path().string());
    gone = LoopbackEndpoints(down, hook_);
  }
  for (int answer : {MessageBoxDlg::kConfirm, MessageBoxDlg::kQuit}) {
    PatchManager manager(gone);
    ScriptedWindow window;
    window.QueueAnswers({answer});
    hook_.ClearRequests();
    InstallLauncher(101);
    manager.CheckInstallation(window);
    UpdateWorker(manager, &window);

    const auto boxes = window.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, L"ERROR");
    EXPECT_THAT(boxes[0].message, StartsWith(L"Launcher patch failed.\n[ "));
    EXPECT_THAT(boxes[0].message, EndsWith(L" / VersionInfo.txt"));
    EXPECT_FALSE(boxes[0].twoButtons);
    EXPECT_TRUE(boxes[0].alert);
    EXPECT_TRUE(window.Posts().empty());
    EXPECT_EQ(window.ClearWorkerStartedCount(), 1);
    EXPECT_EQ(manager.m_launchWithoutUpdate, answer == MessageBoxDlg::kConfirm);
    EXPECT_EQ(window.EnableStartCount(), answer == MessageBoxDlg::kConfirm ? 1 : 0);

    const auto reports = Reports();
    ASSERT_EQ(reports.size(), 1u);
    const std::string address = ToNarrowString(gone.liveSecureBase) + "/VersionInfo.txt";
    EXPECT_THAT(reports[0], HasSubstr("ZEFOLauncher Error : " + address + " , Error( "));
    // The box quotes the same code as the report.
    const std::string message = ToNarrowString(boxes[0].message);
    const std::string head = "Launcher patch failed.\n[ ";
    const std::string code = message.substr(head.size(), message.find(" ]") - head.size());
    EXPECT_THAT(reports[0], HasSubstr("Error( " + code + " , "));
  }
}

TEST_F(UpdateRunTest, StageMarkerSwitchesBasesAndKeyAtTheNextRun) {
  live_.SetVersionInfo(101);
  stage_.SetVersionInfo(102);
  stage_.PublishVersion(102, {{"stage.txt", "stage build"}});
  stage_.WriteVersionHashes();
  InstallLauncher(101, kLiveKey);
  InstallLauncher(101, kStageKey);

  RunUpdate();
  EXPECT_EQ(window_.Posts(), Messages{WindowMessage::kUpdateLaunch});
  EXPECT_FALSE(program_.Exists("stage.txt"));

  program_.Write("_stagemode.txt", "");
  server_.ClearRequests();
  ScriptedWindow second;
  manager_.CheckInstallation(second);
  UpdateWorker(manager_, &second);

  EXPECT_EQ(second.Posts(), Messages{WindowMessage::kUpdateLaunch});
  EXPECT_EQ(program_.Read("stage.txt"), "stage build");
  EXPECT_EQ(ReadVersionValue(kStageKey), 102);
  EXPECT_EQ(ReadVersionValue(kLiveKey), 101);
  for (const std::string& path : FetchedPaths()) EXPECT_THAT(path, StartsWith("/zefolauncher/patch/"));
}

TEST_F(UpdateRunTest, TraversalLineIsRefusedAndNothingLeavesTheProgramFolder) {
  const std::vector<std::string> escaping = {"zz/../../escaped.txt", "../escaped.txt",
                                             "/tmp/zefo-escaped.txt", "C:/escaped.txt"};
  for (const std::string& line : escaping) {
    ScriptedWindow window;
    window.QueueAnswers({MessageBoxDlg::kQuit});
    hook_.ClearRequests();
    server_.ClearRequests();
    live_.SetVersionInfo(102);
    live_.PublishVersion(102, {{"a.txt", "a"}});
    live_.WriteDownloadInfo(102, {"a.txt", line});
    live_.WriteRaw("escaped.txt", "evil");
    std::vector<VersionHashRecord> hashes = {PatchSite::HashRecordFor("a.txt", "a"),
                                             PatchSite::HashRecordFor(line, "evil")};
    live_.WriteVersionHashes(hashes);
    InstallLauncher(101);

    manager_.CheckInstallation(window);
    UpdateWorker(manager_, &window);

    const auto boxes = window.Boxes();
    ASSERT_EQ(boxes.size(), 1u) << line;
    EXPECT_THAT(boxes[0].message,
                StartsWith(L"Launcher patch failed.\n[ " +
                           std::to_wstring(ToErrorCode(ZefoError::kUnsafePath)) + L" ] / "));
    EXPECT_THAT(boxes[0].message, EndsWith(L" / 102 / " + ToWideString(line)));
    EXPECT_TRUE(boxes[0].twoButtons);
    EXPECT_EQ(window.Posts(), Messages{WindowMessage::kAppExit});
    ASSERT_EQ(Reports().size(), 1u);
    EXPECT_THAT(Reports()[0], HasSubstr("ZEFOLauncher Error : "));

    EXPECT_FALSE(program_.Exists("a.txt")) << "proven, but the update failed";
    EXPECT_EQ(ReadVersionValue(kLiveKey), 101);
    for (const std::string& path : FetchedPaths()) EXPECT_THAT(path, ::testing::Not(HasSubstr("escaped")));
    EXPECT_FALSE(fs::exists(program_.path().parent_path() / "escaped.txt"));
    EXPECT_FALSE(fs::exists("/tmp/zefo-escaped.txt"));
    for (const std::string& file : ListFiles(program_.path())) EXPECT_THAT(file, ::testing::Not(HasSubstr("escaped")));
  }
}

}  // namespace
}  // namespace zefo::testing
