// The attempt order of DownloadFile, over a transport that records its calls.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "updater/net/transport.h"
#include "updater/sys/last_error.h"

namespace zefo {
namespace {

using ::testing::ElementsAre;

constexpr wchar_t kPrimary[] = L"https://patch.example/patch/VersionInfo.txt";
constexpr wchar_t kFallback[] = L"http://patch.example/patch/VersionInfo.txt";
constexpr wchar_t kPath[] = L"Output/VersionInfo.txt";
constexpr std::uint32_t kPurgeError = 2;

// Records every call as "<op> <url>"; transfers succeed for the calls named in `working`.
class RecordingTransport final : public Transport {
 public:
  explicit RecordingTransport(std::set<std::string> working) : working_(std::move(working)) {}

  bool SystemTransfer(const std::wstring& url, const std::wstring& path) override {
    return Transfer("system", url, path);
  }
  bool DirectTransfer(const std::wstring& url, const std::wstring& path) override {
    return Transfer("direct", url, path);
  }
  void PurgeUrlCache(const std::wstring& url) override {
    calls.push_back("purge " + Name(url));
    SetLastErrorCode(kPurgeError);
  }
  void Pause() override { calls.push_back("pause"); }

  std::vector<std::string> calls;

 private:
  static std::string Name(const std::wstring& url) {
    return url == kPrimary ? "primary" : url == kFallback ? "fallback" : "other";
  }
  bool Transfer(const char* op, const std::wstring& url, const std::wstring& path) {
    EXPECT_EQ(path, kPath);
    const std::string call = op + (" " + Name(url));
    calls.push_back(call);
    SetLastErrorCode(kErrorHttpStatusBase + 400 + static_cast<std::uint32_t>(calls.size()));
    return working_.count(call) != 0;
  }
  std::set<std::string> working_;
};

TEST(DownloadFileOverTest, WorkingPrimaryIsFetchedOnceAndFallbackNeverContacted) {
  RecordingTransport transport({"system primary"});
  EXPECT_TRUE(DownloadFileOver(transport, kPrimary, kFallback, kPath));
  EXPECT_THAT(transport.calls,
              ElementsAre("purge primary", "purge fallback", "system primary", "pause",
                          "purge primary", "purge fallback"));
}

TEST(DownloadFileOverTest, AttemptsRunInOrderUntilOneWorks) {
  const std::vector<std::string> all = {"system primary", "direct primary", "system fallback",
                                        "direct fallback"};
  for (std::size_t working = 1; working < all.size(); ++working) {
    SCOPED_TRACE(all[working]);
    RecordingTransport transport({all[working]});
    EXPECT_TRUE(DownloadFileOver(transport, kPrimary, kFallback, kPath));
    std::vector<std::string> expected = {"purge primary", "purge fallback", "system primary",
                                         "pause"};
    expected.insert(expected.end(), all.begin() + 1, all.begin() + working + 1);
    expected.insert(expected.end(), {"purge primary", "purge fallback"});
    EXPECT_EQ(transport.calls, expected);
  }
}

TEST(DownloadFileOverTest, FailsAfterFourAttemptsKeepingWhyTheLastFailed) {
  RecordingTransport transport({});
  EXPECT_FALSE(DownloadFileOver(transport, kPrimary, kFallback, kPath));
  EXPECT_EQ(LastErrorCode(), kErrorHttpStatusBase + 400 + 7);  // the 7th call: direct fallback
  EXPECT_THAT(transport.calls,
              ElementsAre("purge primary", "purge fallback", "system primary", "pause",
                          "direct primary", "system fallback", "direct fallback",
                          "purge primary", "purge fallback"));
}

}  // namespace
}  // namespace zefo
