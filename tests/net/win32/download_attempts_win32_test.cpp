// DownloadFile's four attempts under Wine as the loopback patch server logs
// them: the URL moniker (the system's agent) and WinINet ("URL File
// Downloader"), HTTPS address first. A moniker attempt counts only when the
// server answered 200: the moniker saves error pages as the file.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/fixtures/test_servers.h"
#include "tests/support/test_folders.h"
#include "updater/net/download.h"
#include "updater/sys/last_error.h"
#include "updater/sys/text.h"

namespace zefo::testing {
namespace {

namespace fs = std::filesystem;
using Attempts = std::vector<std::string>;

// "moniker https", "direct http", ...: each request by its agent and scheme.
Attempts AttemptsSeen(const PatchServer& server) {
  Attempts attempts;
  for (const RecordedRequest& request : server.Requests()) {
    const auto agent = request.headers.find("user-agent");
    const bool direct = agent != request.headers.end() && agent->second == "URL File Downloader";
    attempts.push_back(std::string(direct ? "direct " : "moniker ") + request.scheme);
  }
  return attempts;
}

class DownloadAttemptsTest : public ::testing::Test {
 protected:
  DownloadAttemptsTest() : server_(root_.path().string()) {}

  bool Download(const std::string& urlPath) {
    return DownloadFile(ToWideString(server_.httpsUrl() + urlPath), ToWideString(server_.httpUrl() + urlPath),
                        destination_.wstring());
  }

  TempFolder root_;
  PatchServer server_;
  TempFolder out_;
  fs::path destination_ = out_.path() / "download_info.txt";
};

TEST_F(DownloadAttemptsTest, WorkingPrimaryIsOneMonikerRequest) {
  WriteFileBytes(root_.path() / "patch" / "download_info.txt", "a.dll\r\n");

  EXPECT_TRUE(Download("/patch/download_info.txt"));

  EXPECT_EQ(AttemptsSeen(server_), (Attempts{"moniker https"}));
  EXPECT_EQ(ReadFileBytes(destination_), "a.dll\r\n");
}

TEST_F(DownloadAttemptsTest, NotFoundOnBothAddressesFailsAfterAllFourWithoutAFile) {
  EXPECT_FALSE(Download("/patch/103/download_info.txt"));
  const std::uint32_t reason = LastErrorCode();  // before any file call replaces it

  EXPECT_EQ(reason, kErrorHttpStatusBase + 404);
  EXPECT_EQ(AttemptsSeen(server_), (Attempts{"moniker https", "direct https", "moniker http", "direct http"}));
  // The server's error page is not left behind as the file.
  EXPECT_FALSE(fs::exists(destination_));
}

TEST_F(DownloadAttemptsTest, RefusedMonikerIsFollowedByTheDirectTransfer) {
  WriteFileBytes(root_.path() / "patch" / "download_info.txt", "a.dll\r\n");
  server_.SetAnswer("/patch/download_info.txt", Answer::kNotFoundOnce);

  EXPECT_TRUE(Download("/patch/download_info.txt"));

  EXPECT_EQ(AttemptsSeen(server_), (Attempts{"moniker https", "direct https"}));
  EXPECT_EQ(ReadFileBytes(destination_), "a.dll\r\n");
}

}  // namespace
}  // namespace zefo::testing
