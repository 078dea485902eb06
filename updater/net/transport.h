// How DownloadFile reaches the network: the platform's two transports, its URL
// cache and the pause after the first attempt. Tests put a recording
// transport in its place.
#pragma once

#include <string>

namespace zefo {

class Transport {
 public:
  virtual ~Transport() = default;
  // The system's own download, with its proxy and cache settings. The
  // destination's folders must exist already.
  virtual bool SystemTransfer(const std::wstring& url, const std::wstring& path) = 0;
  // A direct connection (no proxy, no cache) that accepts only status 200,
  // creates the destination's folders and streams in pieces of at most 8,192 bytes.
  virtual bool DirectTransfer(const std::wstring& url, const std::wstring& path) = 0;
  virtual void PurgeUrlCache(const std::wstring& url) = 0;
  virtual void Pause() = 0;
};

// The transports of this platform.
Transport& PlatformTransport();

// DownloadFile over `transport`.
bool DownloadFileOver(Transport& transport, const std::wstring& primaryUrl,
                      const std::wstring& fallbackUrl, const std::wstring& destinationPath);

}  // namespace zefo
