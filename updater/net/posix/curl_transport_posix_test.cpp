// DownloadFile and its libcurl transports against the loopback patch server:
// the server's log shows which attempts were made, in which order, by which
// transport (the direct one sends the agent "URL File Downloader").
#include "updater/net/posix/curl_transport_posix.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/fixtures/test_servers.h"
#include "updater/net/download.h"
#include "updater/net/posix/scoped_environment_test.h"
#include "updater/sys/last_error.h"

namespace zefo {
namespace {

namespace fs = std::filesystem;
using testing::Answer;
using testing::PatchServer;
using testing::RecordedRequest;

constexpr char kAgent[] = "URL File Downloader";

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// "system https", "direct http", ...: how each request came, by its agent.
std::vector<std::string> Attempts(const std::vector<RecordedRequest>& requests) {
  std::vector<std::string> attempts;
  for (const RecordedRequest& r : requests) {
    const auto agent = r.headers.find("user-agent");
    const bool direct = agent != r.headers.end() && agent->second == kAgent;
    attempts.push_back((direct ? "direct " : "system ") + r.scheme + " " + r.path);
  }
  return attempts;
}

// A port on 127.0.0.1 where nothing listens.
int ClosedPort() {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  bind(s, reinterpret_cast<sockaddr*>(&address), size);
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
  close(s);
  return ntohs(address.sin_port);
}

class DownloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    root_ = fs::temp_directory_path() / ("zefo-net-root-" + name);
    out_ = fs::temp_directory_path() / ("zefo-net-out-" + name);
    fs::remove_all(root_);
    fs::remove_all(out_);
    fs::create_directories(root_ / "patch");
    fs::create_directories(root_ / "mirror");
    fs::create_directories(out_);
    for (int i = 0; i < 20000; ++i) content_ += static_cast<char>('a' + i % 23);
    std::ofstream(root_ / "patch" / "file.bin", std::ios::binary) << content_;
    std::ofstream(root_ / "mirror" / "file.bin", std::ios::binary) << content_;
    server_ = std::make_unique<PatchServer>(root_.string());
  }
  void TearDown() override {
    server_.reset();
    fs::remove_all(root_);
    fs::remove_all(out_);
  }

  std::wstring Primary() const { return Wide(server_->httpsUrl() + "/patch/file.bin"); }
  std::wstring Fallback() const { return Wide(server_->httpUrl() + "/mirror/file.bin"); }
  std::wstring Destination() const { return (out_ / "file.bin").wstring(); }

  NoProxyEnvironment noProxy_;
  fs::path root_;
  fs::path out_;
  std::string content_;
  std::unique_ptr<PatchServer> server_;
};

TEST_F(DownloadTest, WorkingPrimaryIsFetchedOnceBySystemTransport) {
  EXPECT_TRUE(DownloadFile(Primary(), Fallback(), Destination()));
  EXPECT_EQ(ReadFile(Destination()), content_);
  EXPECT_EQ(Attempts(server_->Requests()),
            std::vector<std::string>{"system https /patch/file.bin"});
}

TEST_F(DownloadTest, FailingAddressesAreTriedInOrderAndLeaveNoFile) {
  server_->SetAnswer("/patch/file.bin", Answer::kNotFound);
  server_->SetAnswer("/mirror/file.bin", Answer::kNotFound);
  const std::wstring nested = (out_ / "new" / "folder" / "file.bin").wstring();

  EXPECT_FALSE(DownloadFile(Primary(), Fallback(), nested));
  EXPECT_EQ(LastErrorCode(), kErrorHttpStatusBase + 404);
  EXPECT_EQ(Attempts(server_->Requests()),
            (std::vector<std::string>{"system https /patch/file.bin", "direct https /patch/file.bin",
                                      "system http /mirror/file.bin",
                                      "direct http /mirror/file.bin"}));
  EXPECT_FALSE(fs::exists(out_ / "new"));  // neither the file nor its folders
}

TEST_F(DownloadTest, FallbackServesWhenPrimaryFails) {
  server_->SetAnswer("/patch/file.bin", Answer::kServerError);
  EXPECT_TRUE(DownloadFile(Primary(), Fallback(), Destination()));
  EXPECT_EQ(ReadFile(Destination()), content_);
  EXPECT_EQ(Attempts(server_->Requests()),
            (std::vector<std::string>{"system https /patch/file.bin", "direct https /patch/file.bin",
                                      "system http /mirror/file.bin"}));
}

// The system transport goes through the environment's proxy (here one that
// refuses connections); the direct one never does.
TEST_F(DownloadTest, DirectTransportBypassesTheSystemProxy) {
  const std::string proxy = "http://127.0.0.1:" + std::to_string(ClosedPort());
  ScopedEnvironment http("http_proxy", proxy);
  ScopedEnvironment https("HTTPS_PROXY", proxy);
  server_->SetAnswer("/patch/file.bin", Answer::kNotFound);

  EXPECT_TRUE(DownloadFile(Primary(), Fallback(), Destination()));
  EXPECT_EQ(ReadFile(Destination()), content_);
  EXPECT_EQ(Attempts(server_->Requests()),
            (std::vector<std::string>{"direct https /patch/file.bin",
                                      "direct http /mirror/file.bin"}));
}

TEST_F(DownloadTest, SystemProxyIsUsedBySystemTransport) {
  testing::WebhookReceiver proxy;  // records the proxied request and answers "ok"
  ScopedEnvironment http("http_proxy", proxy.httpUrl());
  CurlTransport transport;
  const std::string url = server_->httpUrl() + "/mirror/file.bin";

  ASSERT_TRUE(transport.SystemTransfer(Wide(url), Destination()));
  EXPECT_EQ(ReadFile(Destination()), "ok");
  ASSERT_EQ(proxy.Requests().size(), 1u);
  EXPECT_EQ(proxy.Requests()[0].path, url);  // a proxy request names the whole address
  EXPECT_TRUE(server_->Requests().empty());
}

TEST_F(DownloadTest, DirectTransportCreatesFoldersTheSystemTransportNeeds) {
  const fs::path nested = out_ / "Output" / "Launcher" / "file.bin";
  EXPECT_TRUE(DownloadFile(Primary(), Fallback(), nested.wstring()));
  EXPECT_EQ(ReadFile(nested), content_);
  EXPECT_EQ(Attempts(server_->Requests()),
            (std::vector<std::string>{"system https /patch/file.bin",
                                      "direct https /patch/file.bin"}));
}

TEST_F(DownloadTest, DirectRequestsBypassCachesAndSendNoValidators) {
  std::ofstream(out_ / "file.bin", std::ios::binary) << "older copy";
  CurlTransport transport;
  ASSERT_TRUE(transport.DirectTransfer(Primary(), Destination()));
  ASSERT_TRUE(transport.SystemTransfer(Primary(), Destination()));

  const auto requests = server_->Requests();
  ASSERT_EQ(requests.size(), 2u);
  const auto& direct = requests[0].headers;
  EXPECT_EQ(direct.at("cache-control"), "no-cache");
  EXPECT_EQ(direct.at("pragma"), "no-cache");
  for (const auto& headers : {requests[0].headers, requests[1].headers}) {
    EXPECT_EQ(headers.count("if-modified-since"), 0u);
    EXPECT_EQ(headers.count("if-none-match"), 0u);
  }
}

TEST_F(DownloadTest, ExistingDestinationIsReplacedNotAppended) {
  CurlTransport transport;
  for (bool direct : {false, true}) {
    SCOPED_TRACE(direct ? "direct" : "system");
    std::ofstream(out_ / "file.bin", std::ios::binary) << std::string(50000, 'z');
    EXPECT_TRUE(direct ? transport.DirectTransfer(Primary(), Destination())
                       : transport.SystemTransfer(Primary(), Destination()));
    EXPECT_EQ(ReadFile(Destination()), content_);
  }
}

TEST_F(DownloadTest, EmptyBodyGivesEmptyFile) {
  server_->SetAnswer("/patch/file.bin", Answer::kEmpty);
  CurlTransport transport;
  for (bool direct : {false, true}) {
    SCOPED_TRACE(direct ? "direct" : "system");
    std::ofstream(out_ / "file.bin", std::ios::binary) << "old";
    EXPECT_TRUE(direct ? transport.DirectTransfer(Primary(), Destination())
                       : transport.SystemTransfer(Primary(), Destination()));
    EXPECT_TRUE(fs::exists(Destination()));
    EXPECT_EQ(fs::file_size(Destination()), 0u);
  }
}

TEST_F(DownloadTest, RefusedAnswersFailWithTheirStatusAndWriteNothing) {
  CurlTransport transport;
  for (const auto& [answer, status] : {std::pair{Answer::kNotFound, 404u},
                                       std::pair{Answer::kServerError, 500u},
                                       std::pair{Answer::kNotModified, 304u}}) {
    SCOPED_TRACE(status);
    server_->SetAnswer("/patch/file.bin", answer);
    for (bool direct : {false, true}) {
      EXPECT_FALSE(direct ? transport.DirectTransfer(Primary(), Destination())
                          : transport.SystemTransfer(Primary(), Destination()));
      EXPECT_EQ(LastErrorCode(), kErrorHttpStatusBase + status);
      EXPECT_FALSE(fs::exists(Destination()));
    }
  }
}

TEST_F(DownloadTest, BrokenTransfersFailWithLibcurlsReason) {
  server_->SetAnswer("/patch/file.bin", Answer::kCutOff);
  server_->SetAnswer("/mirror/file.bin", Answer::kCutOff);
  EXPECT_FALSE(DownloadFile(Primary(), Fallback(), Destination()));
  EXPECT_EQ(LastErrorCode(), kErrorCurlBase + CURLE_PARTIAL_FILE);
  EXPECT_EQ(server_->Requests().size(), 4u);

  const std::wstring nowhere = L"http://127.0.0.1:" + std::to_wstring(ClosedPort()) + L"/f";
  EXPECT_FALSE(DownloadFile(nowhere, nowhere, Destination()));
  EXPECT_EQ(LastErrorCode(), kErrorCurlBase + CURLE_COULDNT_CONNECT);

  EXPECT_FALSE(DownloadFile(L"", L"", Destination()));
  EXPECT_EQ(LastErrorCode(), kErrorCurlBase + CURLE_URL_MALFORMAT);
}

TEST_F(DownloadTest, StalledServerIsGivenUpInBoundedTime) {
  server_->SetAnswer("/patch/file.bin", Answer::kStall);
  server_->SetAnswer("/mirror/file.bin", Answer::kStall);
  CurlTransport transport(/*lowSpeedTimeSeconds=*/1);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(DownloadFileOver(transport, Primary(), Fallback(), Destination()));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
  EXPECT_EQ(LastErrorCode(), kErrorCurlBase + CURLE_OPERATION_TIMEDOUT);
  EXPECT_EQ(server_->Requests().size(), 4u);
}

// The certificates are read once per process, not at every handshake (the
// test server closes each connection, so each transfer makes a new one).
TEST_F(DownloadTest, TrustStoreIsReadOnceForAllConnections) {
  const fs::path bundle = out_ / "trust.pem";
  fs::copy_file(testing::TestCaBundlePath(), bundle);
  ScopedEnvironment named("CURL_CA_BUNDLE", bundle.string());
  CurlTransport transport;
  ASSERT_TRUE(transport.SystemTransfer(Primary(), Destination()));
  fs::remove(bundle);
  ASSERT_TRUE(transport.SystemTransfer(Primary(), Destination()));
  EXPECT_EQ(ReadFile(Destination()), content_);
  EXPECT_EQ(server_->Requests().size(), 2u);
}

TEST_F(DownloadTest, UnwritableDestinationFailsWithErrno) {
  fs::create_directories(out_ / "taken.bin");  // a folder where the file should go
  EXPECT_FALSE(DownloadFile(Primary(), Fallback(), (out_ / "taken.bin").wstring()));
  EXPECT_EQ(LastErrorCode(), static_cast<std::uint32_t>(EISDIR));
}

TEST_F(DownloadTest, DirectTransportRefusesPathsBeyondTheFixedBuffer) {
  const fs::path deep = out_ / std::string(200, 'd') / std::string(200, 'e') /
                        std::string(200, 'f') / "file.bin";
  CurlTransport transport;
  EXPECT_FALSE(transport.DirectTransfer(Primary(), deep.wstring()));
  EXPECT_EQ(LastErrorCode(), ToErrorCode(ZefoError::kPathTooLong));
  EXPECT_FALSE(fs::exists(out_ / std::string(200, 'd')));
}

}  // namespace
}  // namespace zefo
