#include "updater/net/posix/curl_easy_posix.h"

#include <cstdlib>

namespace zefo {
namespace {

const char* NonEmptyEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? value : nullptr;
}

}  // namespace

TrustLocations ChosenTrustLocations() {
  TrustLocations chosen;
  chosen.file = NonEmptyEnvironment("CURL_CA_BUNDLE");
  if (!chosen.file) chosen.file = NonEmptyEnvironment("SSL_CERT_FILE");
  chosen.folder = NonEmptyEnvironment("SSL_CERT_DIR");
  return chosen;
}

void UseSystemTrustStore(CURL* curl) {
  const TrustLocations chosen = ChosenTrustLocations();
  if (chosen.file) curl_easy_setopt(curl, CURLOPT_CAINFO, chosen.file);
  if (chosen.folder) curl_easy_setopt(curl, CURLOPT_CAPATH, chosen.folder);
}

void SetGetOptions(CURL* curl, const char* url, long lowSpeedTimeSeconds) {
  constexpr long kMaxRedirects = 10;
  curl_easy_setopt(curl, CURLOPT_URL, url);
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, lowSpeedTimeSeconds);
}

}  // namespace zefo
