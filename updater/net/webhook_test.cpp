// Webhook posts against the loopback receiver.
#include "updater/net/webhook.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/fixtures/test_servers.h"
#include "tests/support/test_folders.h"

namespace zefo {
namespace {

namespace fs = std::filesystem;
using testing::WebhookReceiver;

constexpr char kPathAndQuery[] = "/cgi-bin/webhook/send?key=3f1c2b7a-9d4e-4a61-8b05-6c2e7f9a1d34";
constexpr char kBody[] = "{\"msgtype\":\"text\",\"text\":{ \"content\":\"hello \"} }";

std::string HttpsAt(int port) { return "https://127.0.0.1:" + std::to_string(port) + kPathAndQuery; }

class WebhookTest : public ::testing::Test {
 protected:
  testing::ProgramFolder folder_;
  WebhookReceiver receiver_;
};

TEST_F(WebhookTest, SecurePostCarriesTheBody) {
  EXPECT_EQ(SendWebhookText(HttpsAt(receiver_.httpsPort()), kBody, false, true), CURLE_OK);
  const auto requests = receiver_.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].scheme, "https");
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].path, "/cgi-bin/webhook/send");
  EXPECT_EQ(requests[0].query, "key=3f1c2b7a-9d4e-4a61-8b05-6c2e7f9a1d34");
  EXPECT_EQ(requests[0].body, kBody);
}

// The receiver's HTTP port speaks no TLS: an "https" address there only works
// with the secure switch off, which asks for the same host, path and query over http.
TEST_F(WebhookTest, SecureOffPostsOverHttpToTheSameAddress) {
  const std::string address = HttpsAt(receiver_.httpPort());
  EXPECT_NE(SendWebhookText(address, kBody, false, true), CURLE_OK);
  EXPECT_TRUE(receiver_.Requests().empty());

  EXPECT_EQ(SendWebhookText(address, kBody, false, false), CURLE_OK);
  const auto requests = receiver_.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].scheme, "http");
  EXPECT_EQ(requests[0].headers.at("host"), "127.0.0.1:" + std::to_string(receiver_.httpPort()));
  EXPECT_EQ(requests[0].path, "/cgi-bin/webhook/send");
  EXPECT_EQ(requests[0].query, "key=3f1c2b7a-9d4e-4a61-8b05-6c2e7f9a1d34");
  EXPECT_EQ(requests[0].body, kBody);
}

// The chosen DNS servers take part only in name lookups: a numeric address is
// reached whatever they are, and a list c-ares cannot read (a carriage return
// at its end) is simply not in force.
TEST_F(WebhookTest, DnsSwitchDoesNotStopThePostToANumericAddress) {
  std::ofstream("DNS.txt", std::ios::binary) << "8.8.4.4\n";
  EXPECT_EQ(SendWebhookText(HttpsAt(receiver_.httpsPort()), kBody, true, true), CURLE_OK);
  std::ofstream("DNS.txt", std::ios::binary) << "8.8.4.4\r\n";
  EXPECT_EQ(SendWebhookText(HttpsAt(receiver_.httpsPort()), kBody, true, true), CURLE_OK);
  fs::remove("DNS.txt");
  EXPECT_EQ(SendWebhookText(HttpsAt(receiver_.httpsPort()), kBody, true, true), CURLE_OK);
  EXPECT_EQ(receiver_.Requests().size(), 3u);
}

TEST_F(WebhookTest, UnreachableServiceGivesLibcurlsCode) {
  int port = 0;
  {
    WebhookReceiver gone;
    port = gone.httpPort();
  }
  EXPECT_EQ(SendWebhookText("http://127.0.0.1:" + std::to_string(port) + "/x", kBody, false, false),
            CURLE_COULDNT_CONNECT);
}

}  // namespace
}  // namespace zefo
