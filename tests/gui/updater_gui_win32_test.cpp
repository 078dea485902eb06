// The real ZEFOLauncher.exe on the virtual display, worked from outside like a
// user: its windows found by process and controls, texts and positions read,
// boxes answered by clicking their buttons with the real pointer. The program
// reaches the loopback servers on the fixed ports of the windows preset.
// Screenshots of the main window during an update and of a two-button error
// box are checked at key pixels and saved for the documentation.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/fixtures/configured_ports.h"
#include "tests/fixtures/test_servers.h"
#include "tests/gui/gui_driver_win32.h"
#include "tests/gui/program_folder_win32.h"
#include "tests/gui/screen_picture_win32.h"
#include "tests/support/child_program.h"
#include "tests/support/loopback_endpoints.h"
#include "tests/support/patch_site.h"
#include "tests/support/test_folders.h"
#include "tests/support/test_launcher_files.h"
#include "tests/support/test_registry.h"
#include "updater/engine/formats/manifest_formats.h"
#include "updater/sys/file_system.h"

namespace zefo::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace gui;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

const fs::path kUpdaterProgram = HostPath(ZEFO_UPDATER_PROGRAM);
const fs::path kTestLauncherProgram = HostPath(ZEFO_TEST_LAUNCHER_PROGRAM);
const fs::path kScreenshots = HostPath(ZEFO_SCREENSHOT_DIR);

constexpr auto kWindowLimit = 30s;
constexpr auto kRunLimit = 90s;

constexpr int kStartId = 1000;
constexpr int kExitId = 1001;
constexpr int kProgressId = 1002;
constexpr int kStatusId = 1003;
constexpr int kBoxTitleId = 1028;
constexpr int kBoxMessageId = 1040;
constexpr UINT kAboutCommand = 0x0010;

constexpr Rgb kBarColour{241, 152, 31};
constexpr Rgb kBarBackground{66, 66, 66};
constexpr Rgb kPanelBorder{90, 104, 122};
constexpr Rgb kPanelTitleBand{19, 19, 19};
constexpr Rgb kPanelBody{36, 37, 38};
constexpr int kPanelWidth = 392;
constexpr int kPanelHeight = 222;

// What the installer put in place (101) and what 102 to 104 change. Sorted by
// name the update proves data/readme.txt, lib/core.dll, lib/new.dll,
// x64/ZLauncher.exe and x86/ZLauncher.exe, in that order.
const std::vector<SiteFile> kInstalled101 = {
    {"data/readme.txt", "readme 101"}, {"lib/core.dll", "core 101"}};
constexpr int kUpdatedFiles = 5;
const char kStalledPath[] = "/patch/104/x86/ZLauncher.exe";
const char kTamperedName[] = "data/readme.txt";

std::string LauncherBytes() { return ReadFileBytes(kTestLauncherProgram); }

// The launcher builds of 104: the test launcher, changed after its image
// (bytes there are never read) so that every version has new bytes.
std::map<std::string, std::string> Files104() {
  return {{"data/readme.txt", "readme 104"},
          {"lib/core.dll", "core 102"},
          {"lib/new.dll", "new 103"},
          {"x64/ZLauncher.exe", LauncherBytes() + "build 103"},
          {"x86/ZLauncher.exe", LauncherBytes() + "build 104"}};
}

// One site for the whole suite: the regular versions and the full-install
// manifest, whose files lie below "full/".
void PublishSite(const fs::path& root) {
  PatchSite site(root / "patch");
  const auto files = Files104();
  site.PublishVersion(102, {{"data/readme.txt", "readme 102"}, {"lib/core.dll", files.at("lib/core.dll")}});
  site.PublishVersion(103, {{"lib/new.dll", files.at("lib/new.dll")},
                            {"x64/ZLauncher.exe", files.at("x64/ZLauncher.exe")}});
  site.PublishVersion(104, {{"data/readme.txt", files.at("data/readme.txt")},
                            {"x86/ZLauncher.exe", files.at("x86/ZLauncher.exe")}});
  site.SetVersionInfo(104);
  site.WriteVersionHashes();

  std::vector<FullPatchRecord> records;
  for (const auto& [name, bytes] : files) {
    const VersionHashRecord hash = PatchSite::HashRecordFor(name, bytes);
    FullPatchRecord record;
    record.installPath = hash.name;  // '\' separated, as installed
    record.remotePath = "full/" + name;
    record.digestText = Md5Hex(bytes);
    std::copy(std::begin(hash.digest), std::end(hash.digest), std::begin(record.digest));
    records.push_back(record);
    site.WriteRaw(record.remotePath, bytes);
  }
  const FileHandle manifest = OpenForWriting((site.base() / "FullPatchInfo.inf").wstring());
  if (!manifest || !WriteFullPatchFile(manifest.get(), records)) {
    throw std::runtime_error("cannot write FullPatchInfo.inf");
  }
}

struct Servers {
  TempFolder root;
  std::unique_ptr<PatchServer> patch;
  std::unique_ptr<WebhookReceiver> webhook;
  std::unique_ptr<WebhookReceiver> api;
};

class UpdaterGuiTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!CanMakeWindows()) return;  // SetUp says why
    TestCaBundlePath();  // the updater trusts the loopback servers' CA
    servers_ = std::make_unique<Servers>();
    PublishSite(servers_->root.path());
    servers_->patch = std::make_unique<PatchServer>(servers_->root.path().string(), ConfiguredPatchPorts());
    servers_->webhook = std::make_unique<WebhookReceiver>(ConfiguredWebhookPorts());
    servers_->api = std::make_unique<WebhookReceiver>(ConfiguredApiPorts());
    servers_->api->SetAddressInfo("{\"ip\":\"127.0.0.1\",\"country\":\"ZZ\"}");
  }
  static void TearDownTestSuite() { servers_.reset(); }

  void SetUp() override {
    ASSERT_TRUE(servers_ && CanMakeWindows()) << kNoWindowsMessage;
    servers_->patch->ClearAnswers();
    servers_->patch->ClearRequests();
    servers_->webhook->ClearRequests();
    ParkPointer();
    // The installed 101: this updater, both launcher builds and two files.
    fs::create_directories(program_);
    fs::copy_file(kUpdaterProgram, program_ / "ZEFOLauncher.exe");
    InstallLaunchers("");
    for (const SiteFile& file : kInstalled101) WriteFileBytes(program_ / fs::u8path(file.name), file.bytes);
    WriteLauncherKey(kLiveKey, L"ZEFOLauncher.exe", program_.wstring() + L"\\", 101);
  }

  void TearDown() override {
    if (!servers_) return;
    EndProgramsBelow(program_);
    DeleteLauncherKey(kLiveKey);
  }

  void InstallLaunchers(const std::string& config) {
    for (const char* build : {"x86", "x64"}) InstallTestLauncher(kTestLauncherProgram, program_ / build / "ZLauncher.exe", config);
  }

  // Started from another folder: the updater works in its own.
  std::unique_ptr<ChildProgram> StartUpdater(const std::vector<std::string>& arguments) {
    return std::make_unique<ChildProgram>(program_ / "ZEFOLauncher.exe", arguments, folder_.path());
  }

  // The record of whichever launcher build was started, once it is complete.
  std::optional<LauncherRecord> WaitForLauncher() {
    std::optional<LauncherRecord> record;
    WaitUntil(
        [&] {
          for (const char* build : {"x86", "x64"}) {
            if ((record = ReadLauncherRecord(program_ / build / "ZLauncher.record"))) return true;
          }
          return false;
        },
        kRunLimit);
    return record;
  }

  std::vector<std::string> Reports() const {
    std::vector<std::string> bodies;
    for (const RecordedRequest& request : servers_->webhook->Requests()) {
      if (request.method == "POST" && request.path == kWebhookPath) bodies.push_back(request.body);
    }
    return bodies;
  }

  // What the program shows and what it asked the patch server for, for
  // failure messages.
  static std::string Situation(DWORD processId) {
    std::string text = "windows:";
    for (HWND window : TopLevelWindows(processId)) {
      const std::wstring title = Text(window);
      char utf8[512] = {};
      WideCharToMultiByte(CP_UTF8, 0, title.c_str(), -1, utf8, sizeof utf8 - 1, nullptr, nullptr);
      text += " [" + std::string(utf8) + "]";
    }
    text += "; requests:";
    for (const RecordedRequest& request : servers_->patch->Requests()) text += " " + request.scheme + ":" + request.path;
    return text;
  }

  void ExpectInstalled104() {
    for (const auto& [name, bytes] : Files104()) {
      EXPECT_EQ(ReadFileBytes(program_ / fs::u8path(name)), bytes) << name;
    }
    EXPECT_EQ(ReadVersionValue(kLiveKey), 104);
  }

  static inline std::unique_ptr<Servers> servers_;
  TempFolder folder_;
  const fs::path program_ = folder_.path() / "program";
};

// Waits until `check` accepts a fresh copy of `rect`, which then is returned
// (the last copy when it never did): painting follows the messages a moment later.
ScreenPicture CaptureWhen(const RECT& rect, const std::function<bool(const ScreenPicture&)>& check) {
  ScreenPicture picture;
  WaitUntil(
      [&] {
        picture = ScreenPicture::Capture(rect);
        return check(picture);
      },
      10s);
  return picture;
}

RECT Sized(const RECT& rect, int width, int height) { return {rect.left, rect.top, rect.left + width, rect.top + height}; }

TEST_F(UpdaterGuiTest, TypicalRoadShowsTheUpdateAndStartsTheLauncherWithTheForwardedArguments) {
  const auto updater = StartUpdater({"zefo-run:TAVRIN:abc", "ZEFO_Restart", "second"});
  const HWND window = WaitForWindow(updater->id(), IsMainWindow, kWindowLimit);
  ASSERT_NE(window, nullptr) << Situation(updater->id());
  EXPECT_EQ(Text(window), L"ZEFO Launcher");

  // The status line turns to the update once the first file list is in.
  std::set<std::wstring> statuses;
  bool progressShown = false;
  WaitUntil(
      [&] {
        const std::wstring status = Text(Control(window, kStatusId));
        if (!status.empty()) statuses.insert(status);
        if (status == L"Updating...") progressShown = IsShown(Control(window, kProgressId));
        return status == L"Updating..." || !IsWindow(window);
      },
      kRunLimit);
  EXPECT_THAT(statuses, ::testing::Contains(L"Updating..."));
  EXPECT_TRUE(progressShown);

  const std::optional<LauncherRecord> launcher = WaitForLauncher();
  ASSERT_TRUE(launcher) << Situation(updater->id());
  EXPECT_THAT(launcher->arguments, ElementsAre("ZEFO_Starter", "zefo-run:TAVRIN:abc", "second"));
  EXPECT_TRUE(fs::equivalent(fs::u8path(launcher->folder), program_)) << launcher->folder;
  EXPECT_EQ(updater->WaitForEnd(kWindowLimit), 0);
  ExpectInstalled104();
  EXPECT_TRUE(Reports().empty());
}

TEST_F(UpdaterGuiTest, MainWindowDuringAnUpdateShowsTheBarAtItsPositionWithThePercentage) {
  servers_->patch->SetAnswer(kStalledPath, Answer::kStall);  // the last file never comes
  const auto updater = StartUpdater({});
  const HWND window = WaitForWindow(updater->id(), IsMainWindow, kWindowLimit);
  ASSERT_NE(window, nullptr) << Situation(updater->id());
  const HWND bar = Control(window, kProgressId);
  ASSERT_TRUE(WaitUntil(
      [&] {
        const auto progress = Progress(bar);
        return progress && progress->position == kUpdatedFiles - 1 && progress->maximum == kUpdatedFiles;
      },
      kRunLimit))
      << Situation(updater->id());
  EXPECT_EQ(Text(Control(window, kStatusId)), L"Updating...");
  EXPECT_EQ(Text(window), L"ZEFO Launcher");

  // The layout of the shipped pictures.
  const RECT frame = ScreenRect(window);
  EXPECT_EQ(frame.right - frame.left, 768);
  EXPECT_EQ(frame.bottom - frame.top, 432);
  const RECT status = RectInParent(Control(window, kStatusId));
  const RECT progress = RectInParent(bar);
  const RECT exit = RectInParent(Control(window, kExitId));
  EXPECT_EQ(std::vector<LONG>({status.left, status.top, status.right, status.bottom}),
            std::vector<LONG>({256, 362, 512, 382}));
  EXPECT_EQ(std::vector<LONG>({progress.left, progress.top, progress.right, progress.bottom}),
            std::vector<LONG>({256, 387, 512, 407}));
  EXPECT_EQ(std::vector<LONG>({exit.left, exit.top, exit.right, exit.bottom}), std::vector<LONG>({743, 5, 763, 25}));
  EXPECT_TRUE(IsShown(bar));
  EXPECT_TRUE(IsShown(Control(window, kExitId)));
  EXPECT_FALSE(IsShown(Control(window, kStartId)));

  // 4 of 5: the orange part covers int(256 x 0.8) pixels, the grey the rest;
  // the rows at the bar's edges hold no text. The white percentage in between.
  const int filled = 256 * (kUpdatedFiles - 1) / kUpdatedFiles;
  const int edgeRows[] = {progress.top + 1, progress.bottom - 2};
  const ScreenPicture picture = CaptureWhen(frame, [&](const ScreenPicture& p) {
    for (int y : edgeRows) {
      if (p.RunLength(progress.left, y, kBarColour) != filled ||
          p.RunLength(progress.left + filled, y, kBarBackground) != 256 - filled) {
        return false;
      }
    }
    return true;
  });
  for (int y : edgeRows) {
    EXPECT_EQ(picture.RunLength(progress.left, y, kBarColour), filled) << "row " << y;
    EXPECT_EQ(picture.RunLength(progress.left + filled, y, kBarBackground), 256 - filled) << "row " << y;
  }
  int white = 0;
  for (int y = progress.top; y < progress.bottom; ++y) {
    for (int x = progress.left + 100; x < progress.left + 156; ++x) white += picture.At(x, y) == Rgb{255, 255, 255};
  }
  EXPECT_GT(white, 20) << "the percentage in the middle of the bar";
  EXPECT_TRUE(picture.SavePng(kScreenshots / "main-window-updating.png"));
}

TEST_F(UpdaterGuiTest, AboutBoxOpensOnItsSystemCommandAndClosesByItsButton) {
  servers_->patch->SetAnswer(kStalledPath, Answer::kStall);  // keeps the main window up
  const auto updater = StartUpdater({});
  const HWND window = WaitForWindow(updater->id(), IsMainWindow, kWindowLimit);
  ASSERT_NE(window, nullptr) << Situation(updater->id());

  PostMessageW(window, WM_SYSCOMMAND, kAboutCommand, 0);
  const HWND about = WaitForWindow(updater->id(), IsAboutBox, kWindowLimit);
  ASSERT_NE(about, nullptr);
  EXPECT_THAT(ChildTexts(about), ::testing::Contains(L"ZEFOLauncher, \uBC84\uC804 1.0"));
  EXPECT_EQ(Text(Control(about, IDOK)), L"\uD655\uC778");

  ASSERT_TRUE(Click(Control(about, IDOK)));
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); }, kWindowLimit));
  EXPECT_TRUE(IsWindow(window));
  EXPECT_TRUE(updater->Running());
}

TEST_F(UpdaterGuiTest, ExitFollowsThePointerAndEndsTheProgramOnlyWhenReleasedOverIt) {
  servers_->patch->SetAnswer(kStalledPath, Answer::kStall);  // keeps the main window up
  const auto updater = StartUpdater({});
  const HWND window = WaitForWindow(updater->id(), IsMainWindow, kWindowLimit);
  ASSERT_NE(window, nullptr) << Situation(updater->id());
  const HWND exit = Control(window, kExitId);

  // A move over a button names its window after the button's state.
  ASSERT_TRUE(PointAt(exit));
  EXPECT_TRUE(WaitUntil([&] { return Text(window) == L"END HOVER"; }, kWindowLimit));

  // Pressed, dragged off and released off the button: no click.
  PressLeftButton();
  const RECT frame = ScreenRect(window);
  ASSERT_TRUE(MovePointerTo({frame.left + 100, frame.top + 100}));
  ReleaseLeftButton();
  // Input arrives in order: once a later move is seen, the release was handled.
  SetWindowTextW(window, L"marker");
  ASSERT_TRUE(PointAt(exit));
  EXPECT_TRUE(WaitUntil([&] { return Text(window) == L"END HOVER"; }, kWindowLimit));
  EXPECT_TRUE(updater->Running());
  EXPECT_TRUE(IsWindow(window));

  ASSERT_TRUE(Click(exit));
  EXPECT_EQ(updater->WaitForEnd(kWindowLimit), 0);
}

TEST_F(UpdaterGuiTest, TamperedFileOffersRecoveryAndTheFullDownloadEndsAtTheLauncher) {
  servers_->patch->SetAnswer(std::string("/patch/104/") + kTamperedName, Answer::kWrongBytes);
  const auto updater = StartUpdater({"zefo-run:TAVRIN:abc"});
  const HWND box = WaitForWindow(updater->id(), IsMessageBox, kRunLimit);
  ASSERT_NE(box, nullptr) << Situation(updater->id());
  EXPECT_EQ(Text(Control(box, kBoxTitleId)), L"ERROR");
  EXPECT_EQ(Text(Control(box, kBoxMessageId)),
            L"The file has been tampered with. please try again.\n/ data/readme.txt /");
  // "Quit" on the left, "file recovery" on the right, both 100 x 30.
  const RECT quit = RectInParent(Control(box, IDCANCEL));
  const RECT recovery = RectInParent(Control(box, IDOK));
  EXPECT_TRUE(IsShown(Control(box, IDCANCEL)));
  EXPECT_TRUE(IsShown(Control(box, IDOK)));
  EXPECT_EQ(std::vector<LONG>({quit.left, quit.top, quit.right, quit.bottom}), std::vector<LONG>({66, 172, 166, 202}));
  EXPECT_EQ(std::vector<LONG>({recovery.left, recovery.top, recovery.right, recovery.bottom}),
            std::vector<LONG>({226, 172, 326, 202}));
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_THAT(Reports()[0], HasSubstr("ZEFOLauncher File Hash Error : "));

  // The panel: a border, the dark title band over rows 1 to 34, the body below.
  const RECT panel = Sized(ScreenRect(box), kPanelWidth, kPanelHeight);
  const struct {
    int x, y;
    Rgb colour;
  } pixels[] = {{0, 0, kPanelBorder},        {kPanelWidth - 1, 100, kPanelBorder}, {200, kPanelHeight - 1, kPanelBorder},
                {3, 3, kPanelTitleBand},     {kPanelWidth - 4, 33, kPanelTitleBand}, {3, 36, kPanelBody},
                {kPanelWidth - 4, 120, kPanelBody}, {200, kPanelHeight - 8, kPanelBody}};
  const ScreenPicture picture = CaptureWhen(panel, [&](const ScreenPicture& p) {
    for (const auto& pixel : pixels) {
      if (p.At(pixel.x, pixel.y) != pixel.colour) return false;
    }
    return true;
  });
  for (const auto& pixel : pixels) {
    EXPECT_EQ(Describe(picture.At(pixel.x, pixel.y)), Describe(pixel.colour)) << pixel.x << ", " << pixel.y;
  }
  EXPECT_TRUE(picture.SavePng(kScreenshots / "message-box-error.png"));

  ASSERT_TRUE(Click(Control(box, IDOK)));
  const std::optional<LauncherRecord> launcher = WaitForLauncher();
  ASSERT_TRUE(launcher) << Situation(updater->id());
  EXPECT_THAT(launcher->arguments, ElementsAre("ZEFO_Starter", "zefo-run:TAVRIN:abc"));
  EXPECT_EQ(updater->WaitForEnd(kWindowLimit), 0);
  ExpectInstalled104();
}

TEST_F(UpdaterGuiTest, SecondUpdaterSaysItIsAlreadyRunningAndClosesByItsButton) {
  // Without its registry key the first updater waits in its own box.
  DeleteLauncherKey(kLiveKey);
  const auto first = StartUpdater({});
  ASSERT_NE(WaitForWindow(first->id(), IsMessageBox, kWindowLimit), nullptr);

  const auto second = StartUpdater({});
  const HWND box = WaitForWindow(second->id(), IsMessageBox, kWindowLimit);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(Text(Control(box, kBoxTitleId)), L"ZEFOLauncher_ERROR");
  EXPECT_EQ(Text(Control(box, kBoxMessageId)), L"Program is already Running");
  EXPECT_FALSE(IsShown(Control(box, IDCANCEL)));
  const RECT confirm = RectInParent(Control(box, IDOK));
  EXPECT_EQ(std::vector<LONG>({confirm.left, confirm.top}), std::vector<LONG>({146, 172}));

  ASSERT_TRUE(Click(Control(box, IDOK)));
  EXPECT_EQ(second->WaitForEnd(kWindowLimit), 0);
  EXPECT_TRUE(first->Running());
  EXPECT_TRUE(servers_->patch->Requests().empty());
}

TEST_F(UpdaterGuiTest, RunningLauncherIsShownUpWithTheTokenAndTheUpdaterClosesWithoutUpdating) {
  InstallLaunchers("hold_mutex=1\nwindow=zefo-gui-test\n");
  const fs::path launcherFile = program_ / "x86" / "ZLauncher.exe";
  ChildProgram launcher(launcherFile, {}, program_ / "x86");
  ASSERT_TRUE(WaitUntil([&] { return ReadLauncherRecord(program_ / "x86" / "ZLauncher.record").has_value(); },
                        kWindowLimit));

  const auto updater = StartUpdater({"zefo-run:TAVRIN:abc"});
  EXPECT_EQ(updater->WaitForEnd(kRunLimit), 0);
  const fs::path broadcasts = program_ / "x86" / "ZLauncher.broadcasts";
  EXPECT_TRUE(WaitUntil([&] { return !ReadFileBytes(broadcasts).empty(); }, kWindowLimit));
  EXPECT_EQ(ReadFileBytes(broadcasts), "showup_zlauncher 683 1365\n");
  EXPECT_TRUE(launcher.Running());
  EXPECT_TRUE(servers_->patch->Requests().empty());
  EXPECT_EQ(ReadVersionValue(kLiveKey), 101);
}

}  // namespace
}  // namespace zefo::testing
