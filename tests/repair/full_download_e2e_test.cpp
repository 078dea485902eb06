// The full download against the loopback patch server, in a real program
// folder with the real registry store and a scripted main window.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "tests/fixtures/test_servers.h"
#include "tests/support/child_program.h"
#include "tests/support/loopback_endpoints.h"
#include "tests/support/patch_site.h"
#include "tests/support/scripted_window.h"
#include "tests/support/test_folders.h"
#include "tests/support/test_launcher_files.h"
#include "tests/support/test_registry.h"
#include "updater/engine/formats/manifest_formats.h"
#include "updater/engine/patch_manager.h"
#include "updater/sys/file_system.h"
#include "updater/sys/last_error.h"
#include "updater/sys/md5.h"
#include "updater/sys/system_info.h"
#include "updater/sys/text.h"

namespace zefo {
namespace {

namespace fs = std::filesystem;
using namespace zefo::testing;

constexpr char kPrefix[] = "ZEFOLauncher Full Download Error : ";
constexpr wchar_t kHead[] = L"Launcher patch failed.";

// A record of "FullPatchInfo.inf" with the digest of `bytes`.
FullPatchRecord Record(const std::string& installPath, const std::string& remotePath,
                       const std::string& bytes) {
  FullPatchRecord record;
  record.installPath = installPath;
  record.remotePath = remotePath;
  MD5_hash hash;
  hash.update(reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<std::uint32_t>(bytes.size()));
  hash.finalize();
  std::copy(hash.digest(), hash.digest() + 16, record.digest);
  record.digestText = hash.digest2hexstring();
  return record;
}

// Raw pieces of the binary manifest, for files the writer refuses to make.
std::string Int32(std::int32_t value) {
  const auto raw = static_cast<std::uint32_t>(value);
  return {static_cast<char>(raw), static_cast<char>(raw >> 8), static_cast<char>(raw >> 16),
          static_cast<char>(raw >> 24)};
}
std::string Field(const std::string& text) { return Int32(static_cast<std::int32_t>(text.size())) + text; }
std::string RawRecord(const FullPatchRecord& record) {
  return Field(record.installPath) + Field(record.remotePath) +
         std::string(reinterpret_cast<const char*>(record.digest), 16);
}

// Files below `folder` with their bytes, the scratch folder "Output" left out.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const std::string& name : ListFiles(folder)) {
    if (name.rfind("Output/", 0) != 0) files[name] = ReadFileBytes(folder / fs::u8path(name));
  }
  return files;
}

class FullDownloadTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { UseTemporaryRegistry(); }

  void SetUp() override {
    WriteLauncherKey(kLiveKey, L"ZEFOLauncher.exe", program_.path().wstring(), 101);
    manager_.m_installedVersion = 101;
    manager_.m_latestVersion = 104;
    program_.Write("ZEFOLauncher.exe", "updater 101");
    program_.Write("ZLauncher.exe", "launcher 101");
    program_.Write("x64/ZLauncher.exe", "launcher64 101");
    program_.Write("libcurl.dll", "curl 101");
    program_.Write("readme.txt", "read me");
  }

  // Publishes the files of `records` (bytes by remote path) and the manifest.
  void PublishFull(const std::vector<FullPatchRecord>& records,
                   const std::map<std::string, std::string>& files) {
    for (const auto& [remote, bytes] : files) site_.WriteRaw(remote, bytes);
    const FileHandle file = OpenForWriting((site_.base() / "FullPatchInfo.inf").wstring());
    ASSERT_TRUE(file && WriteFullPatchFile(file.get(), records));
  }

  std::string Url(const std::string& remote) const { return server_.httpsUrl() + "/patch/" + remote; }

  // Paths the server was asked for below "/patch/", in either scheme.
  std::set<std::string> RequestedPaths() const {
    std::set<std::string> paths;
    for (const RecordedRequest& request : server_.Requests()) paths.insert(request.path);
    return paths;
  }

  std::vector<std::string> Reports() const {
    std::vector<std::string> bodies;
    for (const RecordedRequest& request : hook_.Requests()) {
      if (request.method == "POST" && request.path == kWebhookPath) bodies.push_back(request.body);
    }
    return bodies;
  }

  // The progress calls of the last run: {total, positions...}.
  std::vector<int> LastProgress() const {
    std::vector<int> values;
    for (const WindowEvent& event : window_.ProgressCalls()) {
      if (event.kind == WindowEvent::Kind::kBeginProgress) values.clear();
      values.push_back(event.value);
    }
    return values;
  }

  // The single box, checked for the failure form all three paths share.
  RecordedBox OnlyFailureBox() const {
    const std::vector<RecordedBox> boxes = window_.Boxes();
    EXPECT_EQ(boxes.size(), 1u);
    if (boxes.empty()) return {};
    EXPECT_EQ(boxes[0].title, L"ERROR");
    EXPECT_TRUE(boxes[0].alert);
    EXPECT_FALSE(boxes[0].twoButtons);
    EXPECT_EQ(boxes[0].confirmLabel, L"Confirm");
    return boxes[0];
  }

  // The one report of a failure: its subject and the error code it quotes.
  std::uint32_t OnlyReportCode(const std::string& subject) const {
    const std::vector<std::string> reports = Reports();
    EXPECT_EQ(reports.size(), 1u);
    if (reports.empty()) return 0;
    const std::string start = std::string(kPrefix) + subject + " , Error( ";
    const std::size_t at = reports[0].find(start);
    EXPECT_NE(at, std::string::npos) << reports[0];
    if (at == std::string::npos) return 0;
    return static_cast<std::uint32_t>(std::stoul(reports[0].substr(at + start.size())));
  }

  TempFolder serverRoot_;
  PatchServer server_{serverRoot_.path().string()};
  WebhookReceiver hook_;
  ProgramFolder program_;
  PatchSite site_{serverRoot_.path() / "patch"};
  PatchManager manager_{LoopbackEndpoints(server_, hook_)};
  ScriptedWindow window_;
};

// The road the repair exists for: a file of the regular update fails its
// digest, the user picks "file recovery", and the full download installs
// every file, reusing what the regular update had already proven.
TEST_F(FullDownloadTest, RepairsAfterDigestMismatchInRegularUpdate) {
  site_.SetVersionInfo(104);
  site_.PublishVersion(102, {});
  site_.PublishVersion(103, {{"ZLauncher.exe", "launcher 103"}});
  site_.PublishVersion(104, {{"libcurl.dll", "curl 104"}, {"x64/ZLauncher.exe", "launcher64 104"}});
  site_.WriteVersionHashes();
  // Files are proven in name order: "ZLauncher.exe" and "libcurl.dll" pass
  // and stay staged, then "x64/ZLauncher.exe" arrives with a byte flipped.
  server_.SetAnswer("/patch/104/x64/ZLauncher.exe", Answer::kWrongBytes);
  PublishFull({Record("ZLauncher.exe", "full/ZLauncher.exe", "launcher 103"),
               Record("libcurl.dll", "full/libcurl.dll", "curl 104"),
               Record("x64\\ZLauncher.exe", "full/x64/ZLauncher.exe", "launcher64 104"),
               Record("x64\\ZLauncher.exe", "full/x64/ZLauncher.exe", "launcher64 104"),
               Record("data\\new.txt", "full/data/new.txt", "new")},
              {{"full/ZLauncher.exe", "launcher 103"},
               {"full/libcurl.dll", "curl 104"},
               {"full/x64/ZLauncher.exe", "launcher64 104"},
               {"full/data/new.txt", "new"}});
  const std::map<std::string, std::string> before = Snapshot(program_.path());

  manager_.CheckInstallation(window_);
  window_.QueueAnswers({MessageBoxDlg::kConfirm});
  UpdateWorker(manager_, &window_);
  ASSERT_EQ(window_.Posts(), (std::vector<WindowMessage>{WindowMessage::kUpdateFullDownload}))
      << (window_.Boxes().empty() ? std::string() : ToNarrowString(window_.Boxes().back().message));
  ASSERT_EQ(Snapshot(program_.path()), before) << "the failed regular update installed nothing";
  const std::size_t reportsBefore = Reports().size();

  server_.ClearRequests();
  FullDownloadWorker(manager_, &window_);

  EXPECT_EQ(window_.Posts(), (std::vector<WindowMessage>{WindowMessage::kUpdateFullDownload,
                                                         WindowMessage::kUpdateLaunch}));
  EXPECT_EQ(window_.Boxes().size(), 1u) << "only the regular update's box";
  EXPECT_EQ(Reports().size(), reportsBefore);
  EXPECT_EQ(Snapshot(program_.path()), (std::map<std::string, std::string>{
                                           {"ZEFOLauncher.exe", "updater 101"},
                                           {"ZLauncher.exe", "launcher 103"},
                                           {"data/new.txt", "new"},
                                           {"libcurl.dll", "curl 104"},
                                           {"readme.txt", "read me"},
                                           {"x64/ZLauncher.exe", "launcher64 104"}}));
  // Proven staged copies are installed without being fetched again.
  EXPECT_EQ(RequestedPaths(), (std::set<std::string>{"/patch/FullPatchInfo.inf",
                                                     "/patch/full/x64/ZLauncher.exe",
                                                     "/patch/full/data/new.txt"}));
  // The second record of "x64\ZLauncher.exe" finds its file in place.
  EXPECT_EQ(LastProgress(), (std::vector<int>{5, 0, 1, 2, 3, 4}));
  EXPECT_EQ(ReadVersionValue(kLiveKey), 104);
  EXPECT_FALSE(program_.Exists("Output/Launcher"));
}

TEST_F(FullDownloadTest, NewUpdaterAmongTheFilesAsksForARestart) {
  PublishFull({Record("ZEFOLauncher_New.exe", "full/ZEFOLauncher.exe", "updater 104"),
               Record("libcurl.dll", "full/libcurl.dll", "curl 104")},
              {{"full/ZEFOLauncher.exe", "updater 104"}, {"full/libcurl.dll", "curl 104"}});

  FullDownloadWorker(manager_, &window_);

  EXPECT_EQ(window_.Posts(), (std::vector<WindowMessage>{WindowMessage::kUpdateRestart}));
  EXPECT_EQ(program_.Read("ZEFOLauncher.exe"), "updater 104");
  EXPECT_EQ(program_.Read("ZEFOLauncher.exe_old"), "updater 101");
  EXPECT_EQ(program_.Read("libcurl.dll"), "curl 104");
  EXPECT_FALSE(program_.Exists("libcurl.dll.old"));
  EXPECT_EQ(ReadVersionValue(kLiveKey), 104);
  EXPECT_FALSE(program_.Exists("Output/Launcher"));
}

TEST_F(FullDownloadTest, ManifestWithoutRecordsClosesTheWindow) {
  PublishFull({}, {});
  const std::map<std::string, std::string> before = Snapshot(program_.path());

  EXPECT_TRUE(manager_.FullDownload(window_));

  EXPECT_EQ(window_.CloseCount(), 1);
  EXPECT_TRUE(window_.Boxes().empty());
  EXPECT_TRUE(window_.ProgressCalls().empty());
  EXPECT_EQ(Snapshot(program_.path()), before);
  EXPECT_EQ(ReadVersionValue(kLiveKey), 101);
}

// The manifest could not be fetched or is not to be trusted: reported, shown,
// and nothing of it installed, even its good records.
struct ManifestCase {
  const char* name;
  std::optional<ZefoError> error;  // none: the manifest is not published at all
  std::string manifest;
};

// Failure output names the case instead of dumping its bytes.
void PrintTo(const ManifestCase& c, std::ostream* os) { *os << c.name; }

class FullDownloadManifestTest : public FullDownloadTest,
                                 public ::testing::WithParamInterface<ManifestCase> {};

TEST_P(FullDownloadManifestTest, FailsBeforeInstallingAnything) {
  const ManifestCase& c = GetParam();
  site_.WriteRaw("full/libcurl.dll", "curl 104");
  if (c.error) site_.WriteRaw("FullPatchInfo.inf", c.manifest);
  const fs::path outside = program_.path().parent_path() / "zefo-repair-escape.txt";
  const std::map<std::string, std::string> before = Snapshot(program_.path());
  window_.QueueAnswers({MessageBoxDlg::kConfirm});

  EXPECT_FALSE(manager_.FullDownload(window_));

  const std::uint32_t code = OnlyReportCode(Url("FullPatchInfo.inf"));
  if (c.error) {
    EXPECT_EQ(code, ToErrorCode(*c.error));
  }
  const RecordedBox box = OnlyFailureBox();
  EXPECT_EQ(box.message, kHead + ToWideString("[ " + std::to_string(code) + " ] / " +
                                              FormatSystemMessage(code, kLanguageEnglishUs) +
                                              " / FullPatchInfo.inf /\nFull Download info file Error"));
  EXPECT_EQ(window_.Posts(), (std::vector<WindowMessage>{WindowMessage::kAppExit}));
  EXPECT_TRUE(window_.ProgressCalls().empty());
  EXPECT_EQ(Snapshot(program_.path()), before);
  EXPECT_FALSE(fs::exists(outside));
  EXPECT_EQ(RequestedPaths().count("/patch/full/libcurl.dll"), 0u);
  EXPECT_EQ(ReadVersionValue(kLiveKey), 101);
}

const std::string kGood = RawRecord(Record("libcurl.dll", "full/libcurl.dll", "curl 104"));
const std::string kDigest(16, 'd');

const ManifestCase kManifestCases[] = {
    {"NotPublished", std::nullopt, ""},
    {"Empty", ZefoError::kBadManifest, ""},
    {"EndsBeforeItsCount", ZefoError::kBadManifest, Int32(2) + kGood},
    {"RecordCutInItsDigest", ZefoError::kBadManifest, Int32(1) + kGood.substr(0, kGood.size() - 3)},
    {"FieldLongerThanItsBuffer", ZefoError::kBadManifest,
     Int32(2) + kGood + Field(std::string(512, 'a')) + Field("full/a") + kDigest},
    {"NegativeLength", ZefoError::kBadManifest, Int32(2) + kGood + Int32(-1) + Field("full/a") + kDigest},
    {"InstallPathClimbsOut", ZefoError::kUnsafePath,
     Int32(2) + kGood + Field("..\\zefo-repair-escape.txt") + Field("full/libcurl.dll") + kDigest},
    {"InstallPathAbsolute", ZefoError::kUnsafePath,
     Int32(2) + kGood + Field("/tmp/zefo-repair-escape.txt") + Field("full/libcurl.dll") + kDigest},
    {"InstallPathWithDrive", ZefoError::kUnsafePath,
     Int32(2) + kGood + Field("C:\\zefo-repair-escape.txt") + Field("full/libcurl.dll") + kDigest},
    {"InstallPathNamesTheFolder", ZefoError::kUnsafePath,
     Int32(2) + kGood + Field(".") + Field("full/libcurl.dll") + kDigest},
    {"RemotePathClimbsOut", ZefoError::kUnsafePath,
     Int32(2) + kGood + Field("a.txt") + Field("../secret.txt") + kDigest},
    {"StagingPathTooLong", ZefoError::kPathTooLong,
     Int32(2) + kGood + Field(std::string(495, 'n')) + Field("full/libcurl.dll") + kDigest},
};

INSTANTIATE_TEST_SUITE_P(Manifests, FullDownloadManifestTest, ::testing::ValuesIn(kManifestCases),
                         [](const ::testing::TestParamInfo<ManifestCase>& test) {
                           return std::string(test.param.name);
                         });

TEST_F(FullDownloadTest, FileThatCannotBeFetchedStopsTheRun) {
  PublishFull({Record("libcurl.dll", "full/libcurl.dll", "curl 104"),
               Record("x64\\ZLauncher.exe", "full/x64/ZLauncher.exe", "launcher64 104")},
              {{"full/libcurl.dll", "curl 104"}});
  window_.QueueAnswers({MessageBoxDlg::kQuit});

  EXPECT_FALSE(manager_.FullDownload(window_));

  const std::uint32_t code = OnlyReportCode(Url("full/x64/ZLauncher.exe"));
  EXPECT_NE(code, 0u);
  EXPECT_EQ(OnlyFailureBox().message,
            kHead + ToWideString("\n[ " + std::to_string(code) + " ] / " +
                                 FormatSystemMessage(code, kLanguageEnglishUs) +
                                 " / Output\\Launcher\\download\\x64\\ZLauncher.exe"));
  EXPECT_TRUE(window_.Posts().empty()) << "closing the box posts nothing";
  // What was installed before the failure stays; the failing file is untouched.
  EXPECT_EQ(program_.Read("libcurl.dll"), "curl 104");
  EXPECT_EQ(program_.Read("x64/ZLauncher.exe"), "launcher64 101");
  EXPECT_EQ(ReadVersionValue(kLiveKey), 101);
}

TEST_F(FullDownloadTest, FetchedFileThatFailsItsDigestIsNotInstalled) {
  PublishFull({Record("libcurl.dll", "full/libcurl.dll", "curl 104")}, {{"full/libcurl.dll", "curl 104"}});
  server_.SetAnswer("/patch/full/libcurl.dll", Answer::kWrongBytes);
  window_.QueueAnswers({MessageBoxDlg::kConfirm});

  EXPECT_FALSE(manager_.FullDownload(window_));

  const std::uint32_t code = ToErrorCode(ZefoError::kDigestMismatch);
  EXPECT_EQ(OnlyReportCode(Url("full/libcurl.dll")), code);
  EXPECT_EQ(OnlyFailureBox().message,
            kHead + ToWideString("\n[ " + std::to_string(code) + " ] / " +
                                 FormatSystemMessage(code, kLanguageEnglishUs) +
                                 " / Output\\Launcher\\download\\libcurl.dll"));
  EXPECT_EQ(window_.Posts(), (std::vector<WindowMessage>{WindowMessage::kAppExit}));
  EXPECT_EQ(program_.Read("libcurl.dll"), "curl 101");
  EXPECT_FALSE(program_.Exists("libcurl.dll.old"));
  EXPECT_EQ(ReadVersionValue(kLiveKey), 101);
}

// A stand-in launcher: the test launcher running as "ZLauncher.exe".
class RunningLauncher {
 public:
  explicit RunningLauncher(const fs::path& folder) {
    InstallTestLauncher(ZEFO_TEST_LAUNCHER_PROGRAM, folder / "ZLauncher.exe", "stay=1\n");
    program_ = std::make_unique<ChildProgram>(folder / "ZLauncher.exe", std::vector<std::string>{}, folder);
    for (int i = 0; i < 2000 && !ReadLauncherRecord(folder / "ZLauncher.record"); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  bool Running() const { return program_->Running(); }
  // How it ended (kKilledEndCode when killed), waiting up to five seconds; nothing if it still runs.
  std::optional<int> WaitForEnd() { return program_->WaitForEnd(std::chrono::seconds(5)); }

 private:
  std::unique_ptr<ChildProgram> program_;
};

// The installed copy cannot be moved aside (a folder holds its ".old" name),
// so the copy, which never overwrites, fails: a box without a report.
class FullDownloadCopyTest : public FullDownloadTest, public ::testing::WithParamInterface<int> {};

TEST_P(FullDownloadCopyTest, TargetThatCannotBeReplacedStopsTheRun) {
  const int answer = GetParam();
  PublishFull({Record("libcurl.dll", "full/libcurl.dll", "curl 104"),
               Record("x64\\ZLauncher.exe", "full/x64/ZLauncher.exe", "launcher64 104")},
              {{"full/libcurl.dll", "curl 104"}, {"full/x64/ZLauncher.exe", "launcher64 104"}});
  program_.Write("x64/ZLauncher.exe.old/busy.txt", "busy");
  TempFolder launcherFolder;
  RunningLauncher launcher(launcherFolder.path());
  ASSERT_TRUE(launcher.Running());
  window_.QueueAnswers({answer});

  EXPECT_FALSE(manager_.FullDownload(window_));

  EXPECT_EQ(OnlyFailureBox().message, std::wstring(kHead) + L"\n[ File Copy Error ] /  x64/ZLauncher.exe");
  EXPECT_TRUE(Reports().empty());
  EXPECT_EQ(program_.Read("x64/ZLauncher.exe"), "launcher64 101");
  EXPECT_EQ(program_.Read("x64/ZLauncher.exe.old/busy.txt"), "busy");
  EXPECT_EQ(program_.Read("libcurl.dll"), "curl 104");
  EXPECT_EQ(ReadVersionValue(kLiveKey), 101);
  if (answer == MessageBoxDlg::kConfirm) {
    // Confirming also ends the launcher that may hold the file.
    EXPECT_EQ(window_.Posts(), (std::vector<WindowMessage>{WindowMessage::kAppExit}));
    EXPECT_EQ(launcher.WaitForEnd(), kKilledEndCode);
  } else {
    EXPECT_TRUE(window_.Posts().empty());
    EXPECT_TRUE(launcher.Running());
  }
}

INSTANTIATE_TEST_SUITE_P(Answers, FullDownloadCopyTest,
                         ::testing::Values(MessageBoxDlg::kConfirm, MessageBoxDlg::kQuit),
                         [](const ::testing::TestParamInfo<int>& test) {
                           return std::string(test.param == MessageBoxDlg::kConfirm ? "Confirmed" : "Closed");
                         });

}  // namespace
}  // namespace zefo
