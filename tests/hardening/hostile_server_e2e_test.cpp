// Hostile servers against the transfers, the webhook, the address lookup and the engine:
// redirects to other schemes are never followed, a body too slow is given up
// (with a shorter limit set by the test), header floods end the transfer,
// and none of it hangs, crashes or passes for a downloaded file. Huge
// manifests are read within bounded memory and refused when unreasonable.
#include <curl/curl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/fixtures/test_servers.h"
#include "tests/hardening/kill_support.h"
#include "tests/support/test_folders.h"
#include "tests/support/test_registry.h"
#include "tests/support/update_run_fixture.h"
#include "updater/net/address_lookup.h"
#include "updater/net/posix/curl_transport_posix.h"
#include "updater/net/webhook.h"
#include "updater/sys/last_error.h"

// Freed blocks that AddressSanitizer holds back (256 MiB by default) would
// count as memory the updater keeps; the peaks measured here leave them out.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=1"; }

namespace zefo::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Far beyond what any case here needs; a hang without end fails.
constexpr auto kBound = 40s;

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// No proxy of the machine's environment between the test and its server.
class NoProxies {
 public:
  NoProxies() {
    for (const char* name : kNames) {
      if (const char* value = std::getenv(name)) saved_.push_back({name, value});
      ::unsetenv(name);
    }
  }
  ~NoProxies() {
    for (const auto& [name, value] : saved_) ::setenv(name.c_str(), value.c_str(), 1);
  }

 private:
  static constexpr const char* kNames[] = {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"};
  std::vector<std::pair<std::string, std::string>> saved_;
};

class HostileServerTest : public ::testing::Test {
 protected:
  HostileServerTest() { WriteFileBytes(root_.path() / "patch" / "file.bin", kContent); }

  std::string Address(const std::string& scheme, const std::string& path) const {
    return (scheme == "https" ? server_.httpsUrl() : server_.httpUrl()) + path;
  }

  static constexpr char kContent[] = "the published bytes";
  NoProxies noProxies_;
  TempFolder root_;
  TempFolder out_;
  PatchServer server_{root_.path().string()};
  // The low-speed abort after 2 s instead of a minute.
  CurlTransport transport_{2};
};

TEST_F(HostileServerTest, TransfersFollowRedirectsOnlyToHttpAndHttps) {
  const struct {
    Answer answer;
    bool fetched;
  } cases[] = {
      {Answer::kRedirectFile, false},
      {Answer::kRedirectFtp, false},
      {Answer::kRedirectHttps, true},
  };
  for (const auto& c : cases) {
    for (const bool direct : {false, true}) {
      SCOPED_TRACE(std::string(direct ? "direct " : "system ") + std::to_string(static_cast<int>(c.answer)));
      server_.SetAnswer("/patch/file.bin", c.answer);
      const fs::path destination = out_.path() / "file.bin";
      fs::remove(destination);
      const std::wstring url = Wide(Address("http", "/patch/file.bin"));
      const bool done = direct ? transport_.DirectTransfer(url, destination.wstring())
                               : transport_.SystemTransfer(url, destination.wstring());
      EXPECT_EQ(done, c.fetched);
      if (c.fetched) {
        EXPECT_EQ(ReadWholeFile(destination), kContent);
      } else {
        EXPECT_THAT(LastErrorCode(), ::testing::AnyOf(kErrorCurlBase + CURLE_UNSUPPORTED_PROTOCOL,
                                                      kErrorCurlBase + CURLE_URL_MALFORMAT));
        EXPECT_FALSE(fs::exists(destination));
      }
    }
  }
}

TEST_F(HostileServerTest, SlowOrFloodingAnswersEndInBoundedTimeAndAreNeverADownload) {
  const struct {
    Answer answer;
    const char* name;
  } cases[] = {
      {Answer::kDrip, "a byte every 2 s"},
      {Answer::kHeaderFlood, "header lines that never end"},
      {Answer::kHugeHeader, "one header of 8 MiB"},
  };
  for (const auto& c : cases) {
    for (const std::string scheme : {"http", "https"}) {
      // The slow body takes its 2 s limit on each scheme: one is enough.
      if (c.answer == Answer::kDrip && scheme == "https") continue;
      SCOPED_TRACE(scheme + ", " + c.name);
      server_.SetAnswer("/patch/file.bin", c.answer);
      const fs::path destination = out_.path() / "file.bin";
      const auto start = Clock::now();
      EXPECT_FALSE(transport_.DirectTransfer(Wide(Address(scheme, "/patch/file.bin")), destination.wstring()));
      const std::uint32_t code = LastErrorCode();
      EXPECT_LT(Clock::now() - start, kBound);
      EXPECT_GE(code, kErrorCurlBase);
      EXPECT_LT(code, kErrorCurlBase + CURL_LAST);
      if (c.answer == Answer::kDrip) {
        EXPECT_EQ(code, kErrorCurlBase + CURLE_OPERATION_TIMEDOUT);
      }
    }
  }
}

TEST_F(HostileServerTest, WebhookAndAddressLookupNeverLeaveHttpAndHttps) {
  for (const Answer answer : {Answer::kRedirectFile, Answer::kRedirectFtp}) {
    server_.SetAnswer("/hook", answer);
    // libcurl refuses the scheme, or the address, of the place it was sent to.
    const auto refused = ::testing::AnyOf(CURLE_UNSUPPORTED_PROTOCOL, CURLE_URL_MALFORMAT);
    EXPECT_THAT(SendWebhookText(Address("http", "/hook"), "{}", false, false), refused);
    EXPECT_THAT(SendWebhookText(Address("https", "/hook"), "{}", false, true), refused);
    EXPECT_EQ(GetPublicAddressInfo(Address("http", "/hook")), "");
  }
}

TEST_F(HostileServerTest, AddressLookupEndsOnAHeaderFlood) {
  server_.SetAnswer("/ipinfo", Answer::kHeaderFlood);
  const auto start = Clock::now();
  EXPECT_EQ(GetPublicAddressInfo(Address("http", "/ipinfo")), "");
  EXPECT_LT(Clock::now() - start, kBound);
}

// Manifests of hundreds of MiB against the engine: a version read from the
// first line of a huge "VersionInfo.txt" and lists beyond the updater's
// bounds refused before they are read, each with the box and report of a
// failed manifest, and the process's peak memory far below their size.
class HugeManifestTest : public UpdateRunTest {
 protected:
  static constexpr std::uintmax_t kHuge = 160u << 20;
  // Far below what reading any of these whole would take.
  static constexpr long kPeakGrowthKiB = 96 << 10;

  HugeManifestTest() {
    InstallLauncher(101);
    ResetPeakMemory();
  }

  static long PeakResidentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
      if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
  }
  // The peak so far becomes the present size.
  void ResetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
    peakBefore_ = PeakResidentKiB();
  }
  long PeakGrowthKiB() const { return PeakResidentKiB() - peakBefore_; }

  // `head`, then zero bytes up to kHuge (a sparse file: quick to make).
  void WriteHuge(const std::string& relative, const std::string& head) const {
    const fs::path path = live_.base() / relative;
    WriteFileBytes(path, head);
    fs::resize_file(path, kHuge);
  }

  // Many distinct short names: read whole, each would become a record.
  static std::string ManyNames() {
    std::string names;
    for (int i = 0; i < 1000000; ++i) names += "d/" + std::to_string(i) + ".bin\n";
    return names;
  }

  std::string BoxMessage(std::size_t index = 0) const {
    const auto boxes = window_.Boxes();
    if (index >= boxes.size()) return "(no box)";
    return std::string(boxes[index].message.begin(), boxes[index].message.end());
  }

  static std::string TooLargeDetail() {
    return "[ " + std::to_string(ToErrorCode(ZefoError::kManifestTooLarge)) + " ] / The file list is larger";
  }

  long peakBefore_ = 0;
};

TEST_F(HugeManifestTest, VersionIsReadFromTheFirstLineOfAHugeVersionInfo) {
  live_.SetVersionInfo(101);
  WriteHuge("VersionInfo.txt", "101\n");
  RunUpdate();
  EXPECT_EQ(manager_.m_latestVersion, 101);
  EXPECT_TRUE(window_.Boxes().empty());
  EXPECT_EQ(window_.Posts(), std::vector<WindowMessage>{WindowMessage::kUpdateLaunch});
  EXPECT_LT(PeakGrowthKiB(), kPeakGrowthKiB);
}

TEST_F(HugeManifestTest, HugeFileListIsAFailedManifestAndNothingIsInstalled) {
  live_.SetVersionInfo(102);
  WriteHuge("102/download_info.txt", ManyNames());
  ResetPeakMemory();
  window_.QueueAnswers({MessageBoxDlg::kConfirm});
  RunUpdate();
  EXPECT_THAT(BoxMessage(), ::testing::StartsWith("Launcher patch failed.\n" + TooLargeDetail()));
  EXPECT_THAT(BoxMessage(), ::testing::EndsWith(" / 102 / download_info.txt"));
  EXPECT_EQ(window_.Posts(), std::vector<WindowMessage>{WindowMessage::kAppExit});
  EXPECT_EQ(Reports().size(), 1u);
  EXPECT_EQ(ReadVersionValue(kLiveKey), 101);
  EXPECT_LT(PeakGrowthKiB(), kPeakGrowthKiB);
}

TEST_F(HugeManifestTest, HugeDigestListLeavesEveryFileWithoutItsDigest) {
  live_.SetVersionInfo(102);
  live_.PublishVersion(102, {{"a.txt", "a"}});
  std::string records;
  const auto int32 = [](std::int32_t v) {
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
  };
  records += int32(1000000);
  for (int i = 0; i < 1000000; ++i) {
    const std::string name = std::to_string(i);
    records += int32(static_cast<std::int32_t>(name.size())) + name + std::string(16, 'd');
  }
  WriteHuge("VersionHash.inf", records);
  ResetPeakMemory();
  const auto start = std::chrono::steady_clock::now();
  RunUpdate();
  // Read, its records would take a millisecond each.
  EXPECT_LT(std::chrono::steady_clock::now() - start, kBound);
  EXPECT_EQ(BoxMessage(), "The file has been tampered with. please try again.\n/ a.txt / hash Download Error ");
  const auto reports = Reports();
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_THAT(reports[0], ::testing::HasSubstr("VersionHash.inf"));
  EXPECT_EQ(ReadVersionValue(kLiveKey), 101);
  EXPECT_LT(PeakGrowthKiB(), kPeakGrowthKiB);
}

TEST_F(HugeManifestTest, HugeFullInstallListIsAFailedManifest) {
  manager_.CheckInstallation(window_);
  manager_.m_latestVersion = 102;
  WriteHuge("FullPatchInfo.inf", std::string("\x10\x00\x00\x00", 4));
  window_.QueueAnswers({MessageBoxDlg::kQuit});
  EXPECT_FALSE(manager_.FullDownload(window_));
  EXPECT_THAT(BoxMessage(), ::testing::HasSubstr(TooLargeDetail()));
  EXPECT_THAT(BoxMessage(), ::testing::HasSubstr("FullPatchInfo.inf"));
  EXPECT_EQ(Reports().size(), 1u);
  EXPECT_EQ(ReadVersionValue(kLiveKey), 101);
}

}  // namespace
}  // namespace zefo::testing
