#include "updater/net/posix/trust_store_posix.h"

#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

#include <memory>
#include <mutex>

#include "updater/net/posix/curl_easy_posix.h"

namespace zefo {
namespace {

struct X509StoreFree {
  void operator()(X509_STORE* store) const { X509_STORE_free(store); }
};
using X509Store = std::unique_ptr<X509_STORE, X509StoreFree>;

// libcurl's own choice where the environment names nothing: Debian's bundle
// and folder, as built in. The answer lives in the probe handle, which is
// kept to the end of the process like the store.
const char* DefaultLocation(CURLINFO which) {
  static CURL* const probe = curl_easy_init();
  char* location = nullptr;
  if (probe) curl_easy_getinfo(probe, which, &location);
  return location;
}

X509Store LoadStore() {
  const TrustLocations named = ChosenTrustLocations();
  const char* file = named.file ? named.file : DefaultLocation(CURLINFO_CAINFO);
  const char* folder = named.folder ? named.folder : DefaultLocation(CURLINFO_CAPATH);
  X509Store store(X509_STORE_new());
  if (!store) return nullptr;
  if (file && !X509_STORE_load_file(store.get(), file)) return nullptr;
  if (folder && !X509_STORE_load_path(store.get(), folder)) return nullptr;
  // The flags libcurl sets on a store it fills itself, set here up front so
  // its later setting of them writes nothing new to a store threads share.
  X509_STORE_set_flags(store.get(), X509_V_FLAG_TRUSTED_FIRST | X509_V_FLAG_PARTIAL_CHAIN);
  return store;
}

// The store lives to the end of the process: worker threads are not waited for.
X509_STORE* SharedStore() {
  static std::mutex guard;
  static X509_STORE* store = nullptr;
  const std::lock_guard<std::mutex> lock(guard);
  if (!store) store = LoadStore().release();
  return store;
}

CURLcode GiveStore(CURL*, void* sslContext, void*) {
  X509_STORE* store = SharedStore();
  if (!store || !X509_STORE_up_ref(store)) return CURLE_SSL_CACERT_BADFILE;
  SSL_CTX_set_cert_store(static_cast<SSL_CTX*>(sslContext), store);
  return CURLE_OK;
}

}  // namespace

void UseSharedTrustStore(CURL* curl) {
  if (curl_easy_setopt(curl, CURLOPT_SSL_CTX_FUNCTION, &GiveStore) != CURLE_OK) {
    UseSystemTrustStore(curl);  // a libcurl without OpenSSL reads the files itself
    return;
  }
  // Nothing for libcurl to read on top of the store it is given.
  curl_easy_setopt(curl, CURLOPT_CAINFO, nullptr);
  curl_easy_setopt(curl, CURLOPT_CAPATH, nullptr);
}

}  // namespace zefo
