// The download transports on libcurl.
#pragma once

#include "updater/net/posix/curl_easy_posix.h"
#include "updater/net/transport.h"

namespace zefo {

// System transfer: libcurl's defaults (proxy environment included), any 2xx
// answer accepted. Direct transfer: no proxy, "no-cache" requests, status 200
// only. Both give up after `lowSpeedTimeSeconds` without a byte and leave the
// reason in the thread's last error (see docs/ERRORS.md).
class CurlTransport final : public Transport {
 public:
  explicit CurlTransport(long lowSpeedTimeSeconds = kLowSpeedTimeSeconds)
      : lowSpeedTimeSeconds_(lowSpeedTimeSeconds) {}

  bool SystemTransfer(const std::wstring& url, const std::wstring& path) override;
  bool DirectTransfer(const std::wstring& url, const std::wstring& path) override;
  void PurgeUrlCache(const std::wstring& url) override;
  void Pause() override;

 private:
  long lowSpeedTimeSeconds_;
};

}  // namespace zefo
