// The webhook's DNS switch for real: a loopback DNS server is the only thing
// that knows the webhook's host name, so a report arrives only when "DNS.txt"
// names that server and the switch is on.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#ifndef _WIN32
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/fixtures/test_servers.h"
#include "tests/support/test_folders.h"
#include "updater/net/webhook.h"

namespace zefo::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::IsEmpty;

constexpr char kHost[] = "webhook.zefo.test";
constexpr char kPathAndQuery[] = "/cgi-bin/webhook/send?key=3f1c2b7a-9d4e-4a61-8b05-6c2e7f9a1d34";
constexpr int kCompleted = 0;
constexpr int kCouldNotResolveHost = 6;  // CURLE_COULDNT_RESOLVE_HOST

std::string WebhookUrl(const char* scheme, int port) {
  return std::string(scheme) + "://" + kHost + ":" + std::to_string(port) + kPathAndQuery;
}

std::vector<std::string> PostedBodies(const WebhookReceiver& hook) {
  std::vector<std::string> bodies;
  for (const RecordedRequest& request : hook.Requests()) {
    if (request.method == "POST") bodies.push_back(request.body);
  }
  return bodies;
}

TEST(WebhookDnsTest, ReportArrivesThroughTheServerThatDnsTxtNames) {
  DnsServer dns({kHost});
  WebhookReceiver hook;
  ProgramFolder program;
  // "DNS.txt" wins over "NoDNS.txt".
  program.Write("DNS.txt", dns.address() + "\nignored second line\n");
  program.Write("NoDNS.txt", "");

  struct Case {
    const char* scheme;
    int port;
    bool secure;
  };
  for (const Case& c : {Case{"https", hook.httpsPort(), true}, Case{"https", hook.httpPort(), false}}) {
    SCOPED_TRACE(c.secure ? "secure" : "plain");
    hook.ClearRequests();
    dns.ClearQueries();
    const std::string body = std::string("report ") + (c.secure ? "secure" : "plain");

    EXPECT_EQ(SendWebhookText(WebhookUrl(c.scheme, c.port), body, /*useDns=*/true, c.secure), kCompleted);

    EXPECT_THAT(dns.Queries(), Contains(kHost));
    EXPECT_EQ(PostedBodies(hook), std::vector<std::string>{body});
  }
}

#ifndef _WIN32
// A network of this test's own with only its loopback up: a post that does
// not use the loopback DNS server fails to resolve at once, and no query
// leaves the machine for its configured servers. Servers started afterwards
// live in it too.
bool IsolateNetwork() {
  if (unshare(CLONE_NEWNET) != 0) return false;
  const int fd = socket(AF_INET, SOCK_DGRAM, 0);
  if (fd < 0) return false;
  ifreq loopback = {};
  std::strncpy(loopback.ifr_name, "lo", IFNAMSIZ - 1);
  bool up = ioctl(fd, SIOCGIFFLAGS, &loopback) == 0;
  loopback.ifr_flags = static_cast<short>(loopback.ifr_flags | IFF_UP);
  up = up && ioctl(fd, SIOCSIFFLAGS, &loopback) == 0;
  close(fd);
  return up;
}
#endif

TEST(WebhookDnsTest, SwitchOffOrNoDnsTxtLeavesTheNameToTheSystemResolver) {
#ifdef _WIN32
  GTEST_SKIP() << "the system resolver would ask the machine's DNS servers";
#else
  if (!IsolateNetwork()) GTEST_SKIP() << "no network namespace of its own: " << std::strerror(errno);
  DnsServer dns({kHost});
  WebhookReceiver hook;
  ProgramFolder program;
  const std::string url = WebhookUrl("http", hook.httpPort());

  program.Write("DNS.txt", dns.address() + "\n");
  EXPECT_EQ(SendWebhookText(url, "switch off", /*useDns=*/false, /*secure=*/false), kCouldNotResolveHost);

  ASSERT_TRUE(fs::remove(program.path() / "DNS.txt"));
  program.Write("NoDNS.txt", "");
  EXPECT_EQ(SendWebhookText(url, "no DNS", /*useDns=*/true, /*secure=*/false), kCouldNotResolveHost);

  EXPECT_THAT(dns.Queries(), IsEmpty());
  EXPECT_THAT(PostedBodies(hook), IsEmpty());
#endif
}

}  // namespace
}  // namespace zefo::testing
