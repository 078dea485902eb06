// Fetching one file of the patch server into the scratch folder, the way
// every manifest of the regular update is fetched.
#pragma once

#include <string>

#include "updater/engine/step_failure.h"

namespace zefo {

struct FetchResult {
  bool downloaded = false;
  LastError error;  // taken right after a failed download
};

// What a signed build checks beyond the signature.
enum class SignedManifest {
  kPlain,        // the signature only
  kVersionInfo,  // and the expiry on the second line
};

// Creates the local path's folders, purges both addresses' cache entries,
// downloads (primary, then fallback) and pauses 1 ms. `formed` false means
// an address or the path did not fit its buffer: nothing is fetched and the
// error says so.
//
// With a release key (64 hex characters; empty: unsigned releases) the file's
// signature "<address>.sig" is fetched the same way beside it, and the file
// counts as downloaded only when the signature verifies; otherwise both local
// copies are removed and the error is "signature missing", "signature
// invalid" or "release expired".
FetchResult FetchServerFile(bool formed, const wchar_t* primary, const wchar_t* fallback,
                            const wchar_t* localPath, const std::string& releaseKey,
                            SignedManifest kind = SignedManifest::kPlain);

}  // namespace zefo
