// Posting a text to the team-chat webhook with libcurl.
#pragma once

#include <string>

namespace zefo {

// The default DNS servers used when the DNS switch is on and no "DNS.txt" names others.
extern const char kDefaultDnsServers[];

// One POST of `body` to `url`. `useDns`: set the DNS-servers list chosen by
// "DNS.txt"/"NoDNS.txt" in the current folder. `secure` off: every "https" in
// the address becomes "http". Returns libcurl's result (0 = transfer completed).
int SendWebhookText(const std::string& url, const std::string& body, bool useDns, bool secure);

}  // namespace zefo
