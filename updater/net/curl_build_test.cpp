// What the libcurl the updater links must offer: the webhook's DNS switch
// needs c-ares, and each target has its own TLS and trust store.
#include <curl/curl.h>
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "updater/net/curl_easy.h"
#include "updater/net/webhook.h"

namespace zefo {
namespace {

const curl_version_info_data& Info() { return *curl_version_info(CURLVERSION_NOW); }

TEST(CurlBuild, ResolvesWithCares) {
  EXPECT_NE(Info().features & CURL_VERSION_ASYNCHDNS, 0);
  ASSERT_NE(Info().ares, nullptr);
}

TEST(CurlBuild, AcceptsDnsServerLists) {
  const CurlEasy curl = NewCurlEasy();
  ASSERT_TRUE(curl);
  for (const char* servers : {kDefaultDnsServers, "8.8.4.4", "127.0.0.1:5353", "127.0.0.1:5353,[::1]:53"}) {
    SCOPED_TRACE(servers);
    EXPECT_EQ(curl_easy_setopt(curl.get(), CURLOPT_DNS_SERVERS, servers), CURLE_OK);
  }
  // A list c-ares cannot read is refused, so it is not in force.
  EXPECT_NE(curl_easy_setopt(curl.get(), CURLOPT_DNS_SERVERS, "dns.example"), CURLE_OK);
}

TEST(CurlBuild, SpeaksHttpAndHttpsOnly) {
  std::set<std::string> protocols;
  for (const char* const* p = Info().protocols; *p; ++p) protocols.insert(*p);
  EXPECT_EQ(protocols, (std::set<std::string>{"http", "https"}));
  EXPECT_NE(Info().features & CURL_VERSION_LIBZ, 0);
}

TEST(CurlBuild, ProxiesCanBeSet) {
  const CurlEasy curl = NewCurlEasy();
  ASSERT_TRUE(curl);
  EXPECT_EQ(curl_easy_setopt(curl.get(), CURLOPT_PROXY, "http://127.0.0.1:3128"), CURLE_OK);
}

#ifdef _WIN32
// Schannel checks certificates against the Windows store; no bundle file.
TEST(CurlBuild, UsesSchannelAndTheWindowsStore) {
  ASSERT_NE(Info().ssl_version, nullptr);
  EXPECT_NE(std::string(Info().ssl_version).find("Schannel"), std::string::npos)
      << Info().ssl_version;
  const CurlEasy curl = NewCurlEasy();
  ASSERT_TRUE(curl);
  char* bundle = nullptr;
  EXPECT_EQ(curl_easy_getinfo(curl.get(), CURLINFO_CAINFO, &bundle), CURLE_OK);
  EXPECT_EQ(bundle, nullptr);
  EXPECT_EQ(curl_easy_setopt(curl.get(), CURLOPT_SSL_OPTIONS,
                             static_cast<long>(CURLSSLOPT_NATIVE_CA)),
            CURLE_OK);
}
#else
// OpenSSL with Debian's trust store, as Debian's own libcurl has it.
TEST(CurlBuild, UsesOpenSslAndDebiansStore) {
  ASSERT_NE(Info().ssl_version, nullptr);
  EXPECT_EQ(std::string(Info().ssl_version).rfind("OpenSSL/", 0), 0u) << Info().ssl_version;
  CurlEasy curl(curl_easy_init());
  ASSERT_TRUE(curl);
  char* bundle = nullptr;
  char* folder = nullptr;
  EXPECT_EQ(curl_easy_getinfo(curl.get(), CURLINFO_CAINFO, &bundle), CURLE_OK);
  EXPECT_EQ(curl_easy_getinfo(curl.get(), CURLINFO_CAPATH, &folder), CURLE_OK);
  ASSERT_NE(bundle, nullptr);
  ASSERT_NE(folder, nullptr);
  EXPECT_STREQ(bundle, "/etc/ssl/certs/ca-certificates.crt");
  EXPECT_STREQ(folder, "/etc/ssl/certs");
}
#endif

}  // namespace
}  // namespace zefo
