// Hostile servers against the transfers, the webhook and the address lookup:
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
#include "updater/net/address_lookup.h"
#include "updater/net/posix/curl_transport_posix.h"
#include "updater/net/webhook.h"
#include "updater/sys/last_error.h"

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

}  // namespace
}  // namespace zefo::testing
