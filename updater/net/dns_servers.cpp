#include "updater/net/dns_servers.h"

#include <cstdio>
#include <cstring>

#include "updater/net/webhook.h"
#include "updater/sys/file_system.h"
#include "updater/sys/text.h"

namespace zefo {

const char kDefaultDnsServers[] = "1.1.1.1,1.0.0.1,8.8.8.8,9.9.9.9,180.76.76.76";

namespace {

// The first line of "DNS.txt" without its line feed; "" when there is none.
std::string FirstLineOfDnsFile() {
  const FileHandle file = OpenForReading(L"DNS.txt");
  char line[kTextBufferSize] = {};
  if (!file || !std::fgets(line, sizeof line, file.get())) return {};
  line[std::strcspn(line, "\n")] = '\0';
  return line;
}

}  // namespace

std::optional<std::string> ChooseDnsServers() {
  if (PathExists(L"DNS.txt")) {
    std::string servers = FirstLineOfDnsFile();
    if (servers.empty()) servers = kDefaultDnsServers;
    return servers;
  }
  if (PathExists(L"NoDNS.txt")) return std::nullopt;
  return kDefaultDnsServers;
}

}  // namespace zefo
