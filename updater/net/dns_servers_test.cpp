// Which DNS servers "DNS.txt" and "NoDNS.txt" choose.
#include "updater/net/dns_servers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "tests/support/test_folders.h"
#include "updater/net/webhook.h"

namespace zefo {
namespace {

namespace fs = std::filesystem;

// Runs each case in an empty folder of its own as the current folder.
class DnsServersTest : public ::testing::Test {
 protected:
  void Write(const char* name, const std::string& content) const { folder_.Write(name, content); }
  testing::ProgramFolder folder_;
};

TEST_F(DnsServersTest, MarkerFilesChooseTheList) {
  const std::string longLine(600, '1');
  struct Case {
    const char* name;
    std::optional<std::string> dnsFile;  // content of "DNS.txt", if present
    bool noDnsFile;
    std::optional<std::string> expected;
  } cases[] = {
      {"no marker files", std::nullopt, false, kDefaultDnsServers},
      {"DNS.txt line", std::string("8.8.4.4\n"), false, "8.8.4.4"},
      {"first line only, CR kept", std::string("8.8.4.4\r\n9.9.9.9\n"), false, "8.8.4.4\r"},
      {"no line feed", std::string(" 8.8.4.4 , 1.1.1.1"), false, " 8.8.4.4 , 1.1.1.1"},
      {"empty DNS.txt", std::string(), false, kDefaultDnsServers},
      {"empty first line", std::string("\n8.8.4.4\n"), false, kDefaultDnsServers},
      {"at most 511 characters", longLine, false, longLine.substr(0, 511)},
      {"DNS.txt wins over NoDNS.txt", std::string("8.8.4.4\n"), true, "8.8.4.4"},
      {"NoDNS.txt alone", std::nullopt, true, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove("DNS.txt");
    fs::remove("NoDNS.txt");
    if (c.dnsFile) Write("DNS.txt", *c.dnsFile);
    if (c.noDnsFile) Write("NoDNS.txt", "");
    EXPECT_EQ(ChooseDnsServers(), c.expected);
  }
}

TEST_F(DnsServersTest, UnreadableDnsFileMeansTheDefaultList) {
  fs::create_directory("DNS.txt");
  Write("NoDNS.txt", "");
  EXPECT_EQ(ChooseDnsServers(), std::optional<std::string>(kDefaultDnsServers));
}

}  // namespace
}  // namespace zefo
