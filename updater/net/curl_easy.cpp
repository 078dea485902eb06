#include "updater/net/curl_easy.h"

namespace zefo {

CurlEasy NewCurlEasy() {
  // Once per process, before the first handle; never undone.
  static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
  if (initialised != CURLE_OK) return nullptr;

  CurlEasy curl(curl_easy_init());
  if (!curl) return curl;
  curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
  UseSystemTrustStore(curl.get());
  return curl;
}

}  // namespace zefo
