// Handles for the download transfers. They share one process-wide cache of
// connections, DNS answers and TLS sessions, so that a run of many small
// files pays for one connection and one handshake rather than one per file.
#pragma once

#include <curl/curl.h>

#include <memory>

namespace zefo {

// Gives the handle back for the next transfer, its options cleared.
struct SharedCurlRelease {
  void operator()(CURL* curl) const;
};
using SharedCurlEasy = std::unique_ptr<CURL, SharedCurlRelease>;

// A handle as NewCurlEasy makes it, joined to the shared caches and trusting
// the process's one store (UseSharedTrustStore); null when libcurl cannot
// make one. Safe from any thread.
SharedCurlEasy NewSharedCurlEasy();

}  // namespace zefo
