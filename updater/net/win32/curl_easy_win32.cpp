#include "updater/net/curl_easy.h"

namespace zefo {

// Schannel verifies against the Windows certificate store by itself; no
// bundle file is involved.
void UseSystemTrustStore(CURL*) {}

}  // namespace zefo
