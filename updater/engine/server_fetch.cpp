#include "updater/engine/server_fetch.h"

#include "updater/net/download.h"
#include "updater/sys/file_helpers.h"
#include "updater/sys/last_error.h"
#include "updater/sys/process.h"

namespace zefo {

FetchResult FetchServerFile(bool formed, const wchar_t* primary, const wchar_t* fallback,
                            const wchar_t* localPath) {
  FetchResult result;
  if (formed) {
    MakeDirectoriesW(localPath, L'/');
    PurgeUrlCache(primary);
    PurgeUrlCache(fallback);
    result.downloaded = DownloadFile(primary, fallback, localPath);
  } else {
    SetLastErrorCode(ToErrorCode(ZefoError::kPathTooLong));
  }
  if (!result.downloaded) result.error = LastError::Take();
  SleepMilliseconds(1);
  return result;
}

}  // namespace zefo
