// The webhook post on libcurl.
#include "updater/net/webhook.h"

#include <curl/curl.h>

#include <optional>

#include "updater/net/curl_easy.h"
#include "updater/net/dns_servers.h"
#include "updater/sys/file_helpers.h"

namespace zefo {
namespace {

constexpr long kMaxRedirects = 10;
constexpr long kTimeoutSeconds = 10;

// The service's answer is not looked at.
size_t Discard(char*, size_t size, size_t count, void*) { return size * count; }

}  // namespace

// Option results are not examined: an option libcurl refuses (such as the DNS
// servers without the asynchronous resolver) is simply not in force.
int SendWebhookText(const std::string& url, const std::string& body, bool useDns, bool secure) {
  const CurlEasy curl = NewCurlEasy();
  if (!curl) return CURLE_FAILED_INIT;
  CURL* c = curl.get();

  std::string address = url;
  if (secure) {
    curl_easy_setopt(c, CURLOPT_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_NATIVE_CA));
  } else {
    ReplaceAll(address, "https", "http");
  }
  curl_easy_setopt(c, CURLOPT_URL, address.c_str());
  std::optional<std::string> dnsServers;
  if (useDns) dnsServers = ChooseDnsServers();
  if (dnsServers) curl_easy_setopt(c, CURLOPT_DNS_SERVERS, dnsServers->c_str());
  // A redirect never leads to a local file or another protocol, whatever
  // the libcurl it is linked with supports.
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(c, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(c, CURLOPT_POSTREDIR, static_cast<long>(CURL_REDIR_POST_ALL));
  curl_easy_setopt(c, CURLOPT_TIMEOUT, kTimeoutSeconds);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &Discard);
  curl_easy_setopt(c, CURLOPT_POSTFIELDS, body.c_str());
  return curl_easy_perform(c);
}

}  // namespace zefo
