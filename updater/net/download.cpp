// The four download attempts, the cache purges around them and the pause.
#include "updater/net/download.h"

#include "updater/net/transport.h"
#include "updater/sys/last_error.h"

namespace zefo {

bool DownloadFileOver(Transport& transport, const std::wstring& primaryUrl,
                      const std::wstring& fallbackUrl, const std::wstring& destinationPath) {
  transport.PurgeUrlCache(primaryUrl);
  transport.PurgeUrlCache(fallbackUrl);

  bool done = transport.SystemTransfer(primaryUrl, destinationPath);
  transport.Pause();
  done = done || transport.DirectTransfer(primaryUrl, destinationPath) ||
         transport.SystemTransfer(fallbackUrl, destinationPath) ||
         transport.DirectTransfer(fallbackUrl, destinationPath);

  // The purges must not overwrite why the last attempt failed.
  const std::uint32_t reason = LastErrorCode();
  transport.PurgeUrlCache(primaryUrl);
  transport.PurgeUrlCache(fallbackUrl);
  SetLastErrorCode(reason);
  return done;
}

bool DownloadFile(std::wstring primaryUrl, std::wstring fallbackUrl, std::wstring destinationPath) {
  return DownloadFileOver(PlatformTransport(), primaryUrl, fallbackUrl, destinationPath);
}

}  // namespace zefo
