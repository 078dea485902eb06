// libcurl easy handles with the settings every request of the updater shares.
#pragma once

#include <curl/curl.h>

#include <memory>

namespace zefo {

// Limits of the download and address requests, close to the defaults of the
// Windows transports: a connection must be made within this time, and a
// transfer that receives no byte for kLowSpeedTimeSeconds is given up.
constexpr long kConnectTimeoutSeconds = 30;
constexpr long kLowSpeedTimeSeconds = 60;

struct CurlEasyCleanup {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyCleanup>;

struct CurlListFree {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlList = std::unique_ptr<curl_slist, CurlListFree>;

// A new handle (null when libcurl cannot make one). It uses no signals, and it
// trusts the certificates the system's TLS clients are pointed at:
// CURL_CA_BUNDLE or SSL_CERT_FILE, and SSL_CERT_DIR, as the curl tool does;
// otherwise libcurl's built-in store.
CurlEasy NewCurlEasy();

// What every GET of the updater sets: the address, http and https only (also
// after redirects, at most 10 of them), the connect time-out and the
// low-speed abort after `lowSpeedTimeSeconds` without a byte.
void SetGetOptions(CURL* curl, const char* url, long lowSpeedTimeSeconds);

}  // namespace zefo
