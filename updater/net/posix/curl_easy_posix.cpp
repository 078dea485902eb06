#include "updater/net/posix/curl_easy_posix.h"

#include <cstdlib>

namespace zefo {
namespace {

const char* NonEmptyEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? value : nullptr;
}

}  // namespace

CurlEasy NewCurlEasy() {
  // Once per process, before the first handle; never undone.
  static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
  if (initialised != CURLE_OK) return nullptr;

  CurlEasy curl(curl_easy_init());
  if (!curl) return curl;
  curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
  const char* bundle = NonEmptyEnvironment("CURL_CA_BUNDLE");
  if (!bundle) bundle = NonEmptyEnvironment("SSL_CERT_FILE");
  if (bundle) curl_easy_setopt(curl.get(), CURLOPT_CAINFO, bundle);
  if (const char* folder = NonEmptyEnvironment("SSL_CERT_DIR")) {
    curl_easy_setopt(curl.get(), CURLOPT_CAPATH, folder);
  }
  return curl;
}

}  // namespace zefo
