// Fetching one file of the patch server into the scratch folder, the way
// every manifest of the regular update is fetched.
#pragma once

#include "updater/engine/step_failure.h"

namespace zefo {

struct FetchResult {
  bool downloaded = false;
  LastError error;  // taken right after a failed download
};

// Creates the local path's folders, purges both addresses' cache entries,
// downloads (primary, then fallback) and pauses 1 ms. `formed` false means
// an address or the path did not fit its buffer: nothing is fetched and the
// error says so.
FetchResult FetchServerFile(bool formed, const wchar_t* primary, const wchar_t* fallback,
                            const wchar_t* localPath);

}  // namespace zefo
