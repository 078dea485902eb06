#include "updater/net/posix/curl_share_posix.h"

#include <mutex>
#include <vector>

#include "updater/net/curl_easy.h"
#include "updater/net/posix/trust_store_posix.h"

namespace zefo {
namespace {

// The caches libcurl shares between handles, each behind its own lock: the
// update workers and the boxes' transfers may run at the same time.
class CurlShare {
 public:
  CurlShare() : share_(curl_share_init()) {
    if (!share_) return;
    curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, &Lock);
    curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, &Unlock);
    curl_share_setopt(share_, CURLSHOPT_USERDATA, this);
    for (const curl_lock_data data :
         {CURL_LOCK_DATA_CONNECT, CURL_LOCK_DATA_DNS, CURL_LOCK_DATA_SSL_SESSION}) {
      curl_share_setopt(share_, CURLSHOPT_SHARE, data);
    }
  }
  CurlShare(const CurlShare&) = delete;
  CurlShare& operator=(const CurlShare&) = delete;

  CURLSH* get() const { return share_; }

 private:
  static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
    static_cast<CurlShare*>(self)->locks_[data].lock();
  }
  static void Unlock(CURL*, curl_lock_data data, void* self) {
    static_cast<CurlShare*>(self)->locks_[data].unlock();
  }

  CURLSH* share_;
  std::mutex locks_[CURL_LOCK_DATA_LAST];
};

// Idle handles; each keeps its resolver and its own small state between
// transfers, which a new handle would set up again.
class IdleHandles {
 public:
  CURL* Take() {
    const std::lock_guard<std::mutex> lock(guard_);
    if (idle_.empty()) return nullptr;
    CURL* curl = idle_.back();
    idle_.pop_back();
    return curl;
  }
  void Give(CURL* curl) {
    curl_easy_reset(curl);
    const std::lock_guard<std::mutex> lock(guard_);
    idle_.push_back(curl);
  }

 private:
  std::mutex guard_;
  std::vector<CURL*> idle_;
};

// Both live to the end of the process: worker threads are not waited for,
// and a transfer may still be using them when main returns.
CurlShare& Share() {
  static CurlShare* share = new CurlShare;
  return *share;
}

IdleHandles& Idle() {
  static IdleHandles* idle = new IdleHandles;
  return *idle;
}

}  // namespace

void SharedCurlRelease::operator()(CURL* curl) const { Idle().Give(curl); }

SharedCurlEasy NewSharedCurlEasy() {
  SharedCurlEasy curl(Idle().Take());
  if (!curl) {
    curl.reset(NewCurlEasy().release());
    if (!curl) return curl;
  }
  curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
  if (Share().get()) curl_easy_setopt(curl.get(), CURLOPT_SHARE, Share().get());
  UseSharedTrustStore(curl.get());
  return curl;
}

}  // namespace zefo
