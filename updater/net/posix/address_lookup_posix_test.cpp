// The address lookup against the loopback servers.
#include "updater/net/address_lookup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/fixtures/test_servers.h"

namespace zefo {
namespace {

using testing::WebhookReceiver;

TEST(AddressLookupTest, AnswerIsTakenUpTo511BytesAndTheFirstZero) {
  WebhookReceiver api;
  const std::string url = api.httpsUrl() + "/ipinfo";
  std::string thousand;
  for (int i = 0; i < 1000; ++i) thousand += static_cast<char>('0' + i % 10);
  const struct {
    std::string answer;
    std::string expected;
  } cases[] = {
      {"203.0.113.7 KR Seoul", "203.0.113.7 KR Seoul"},
      {thousand, thousand.substr(0, 511)},
      {std::string("203.0.113.7\0hidden", 18), "203.0.113.7"},
      {"", ""},
  };
  for (const auto& c : cases) {
    api.SetAddressInfo(c.answer);
    EXPECT_EQ(GetPublicAddressInfo(url), c.expected);
  }
  EXPECT_EQ(api.Requests().size(), 4u);
  EXPECT_EQ(api.Requests()[0].method, "GET");
  EXPECT_EQ(api.Requests()[0].path, "/ipinfo");
}

TEST(AddressLookupTest, ErrorPageIsAnAnswerLikeAnyOther) {
  const auto root = std::filesystem::temp_directory_path() / "zefo-lookup-empty-root";
  std::filesystem::create_directories(root);
  {
    testing::PatchServer server(root.string());
    EXPECT_EQ(GetPublicAddressInfo(server.httpUrl() + "/ipinfo"), "not found\n");
  }
  std::filesystem::remove_all(root);
}

TEST(AddressLookupTest, UnreachableServerGivesEmptyText) {
  int port = 0;
  {
    WebhookReceiver gone;
    port = gone.httpsPort();
  }
  EXPECT_EQ(GetPublicAddressInfo("https://127.0.0.1:" + std::to_string(port) + "/ipinfo"), "");
  EXPECT_EQ(GetPublicAddressInfo(""), "");
}

}  // namespace
}  // namespace zefo
