// The GET requests of the Linux transfers and the address lookup.
#pragma once

#include <curl/curl.h>

#include <memory>

#include "updater/net/curl_easy.h"

namespace zefo {

// Limits of the download and address requests, close to the defaults of the
// Windows transports: a connection must be made within this time, and a
// transfer that receives no byte for kLowSpeedTimeSeconds is given up.
constexpr long kConnectTimeoutSeconds = 30;
constexpr long kLowSpeedTimeSeconds = 60;

struct CurlListFree {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlList = std::unique_ptr<curl_slist, CurlListFree>;

// What every GET of the updater sets: the address, http and https only (also
// after redirects, at most 10 of them), the connect time-out and the
// low-speed abort after `lowSpeedTimeSeconds` without a byte.
void SetGetOptions(CURL* curl, const char* url, long lowSpeedTimeSeconds);

// The trust store the environment names, as the curl tool reads it: the file
// from CURL_CA_BUNDLE or SSL_CERT_FILE, the folder from SSL_CERT_DIR. Null
// where it names none (libcurl's built-in one then applies).
struct TrustLocations {
  const char* file = nullptr;
  const char* folder = nullptr;
};
TrustLocations ChosenTrustLocations();

}  // namespace zefo
