// One remote file to one local path, by a primary (HTTPS) and a fallback
// (HTTP) address, over two transports: four attempts in all.
#pragma once

#include <string>

namespace zefo {

// Attempt order: primary by the system transport, primary direct, fallback by
// the system transport, fallback direct. Cache entries of both addresses are
// purged before and after; attempt 1 is followed by a 1 ms pause. True when
// one attempt wrote the file. After false the thread's last error (LastErrorCode)
// tells why the last attempt failed (codes in docs/ERRORS.md).
bool DownloadFile(std::wstring primaryUrl, std::wstring fallbackUrl, std::wstring destinationPath);

// Removes the system's URL-cache entry of `url` (DeleteUrlCacheEntryW).
// Linux keeps no URL cache: nothing to remove.
void PurgeUrlCache(const std::wstring& url);

}  // namespace zefo
