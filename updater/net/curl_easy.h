// libcurl easy handles set up the same way for every request of the updater.
#pragma once

#include <curl/curl.h>

#include <memory>

namespace zefo {

struct CurlEasyCleanup {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyCleanup>;

// A new handle (null when libcurl cannot make one). It uses no signals and
// trusts the certificates of the platform's store (UseSystemTrustStore).
CurlEasy NewCurlEasy();

// Platform adapter: the certificates a new handle trusts. Windows: the
// system's store, through Schannel. Linux: the store the system's TLS clients
// are pointed at, CURL_CA_BUNDLE or SSL_CERT_FILE and SSL_CERT_DIR, as the curl
// tool does; otherwise libcurl's built-in one (Debian's).
void UseSystemTrustStore(CURL* curl);

}  // namespace zefo
