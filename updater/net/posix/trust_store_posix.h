// The certificates the transfers trust, read once per process. Without it
// every new TLS connection parses the whole system bundle again.
#pragma once

#include <curl/curl.h>

namespace zefo {

// Makes `curl` verify servers against the process's one store: the same
// certificates UseSystemTrustStore names. A store that cannot be read fails
// the handshake (CURLE_SSL_CACERT_BADFILE) and is read again next time.
void UseSharedTrustStore(CURL* curl);

}  // namespace zefo
