// LoadVersionHashes: the published digest of every launcher file, from the
// binary "VersionHash.inf".
#include <thread>

#include "updater/diag/error_report.h"
#include "updater/engine/formats/manifest_formats.h"
#include "updater/engine/manifest_bounds.h"
#include "updater/engine/patch_manager.h"
#include "updater/engine/server_fetch.h"
#include "updater/engine/step_failure.h"
#include "updater/net/download.h"
#include "updater/sys/file_helpers.h"
#include "updater/sys/file_system.h"
#include "updater/sys/last_error.h"
#include "updater/sys/md5.h"
#include "updater/sys/text.h"

namespace zefo {

bool PatchManager::LoadVersionHashes() {
  m_fileHashes.clear();
  EvaluateMode();
  wchar_t primary[kTextBufferSize] = {};
  wchar_t fallback[kTextBufferSize] = {};
  wchar_t localPath[kTextBufferSize] = {};
  const bool formed = FormatToW(primary, L"%s/%s", SecureBase().c_str(), L"VersionHash.inf") >= 0 &&
                      FormatToW(fallback, L"%s/%s", PlainBase().c_str(), L"VersionHash.inf") >= 0 &&
                      FormatToW(localPath, L"Output//Launcher//%s", L"VersionHash.inf") >= 0;
  const FetchResult fetch = FetchServerFile(formed, primary, fallback, localPath, endpoints().releasePublicKey);
  const bool downloaded = fetch.downloaded;
  const LastError& error = fetch.error;

  if (!downloaded) {
    // No box here: every file then fails for want of a digest, and says so.
    SendReport(BuildErrorReport("ZEFOLauncher Error : ", ToNarrowString(primary), error.code,
                                error.text, MachineInfo::Collect(m_publicAddressInfo)));
    return false;
  }

  if (ManifestTooLarge(localPath)) {
    // Read, it would hold memory and time without end: as if it had not come.
    const LastError refused = LastError::Take();
    SendReport(BuildErrorReport("ZEFOLauncher Error : ", ToNarrowString(primary), refused.code,
                                refused.text, MachineInfo::Collect(m_publicAddressInfo)));
    return false;
  }
  if (FileHandle file = OpenForReading(localPath)) {
    // A bad length or a record cut short ends the table after the last
    // complete record; files without a digest then fail their check.
    for (VersionHashRecord& record : ReadVersionHashFile(file.get()).records) {
      std::string digest = DigestToHex(record.digest);
      const std::string name = record.name;
      m_fileHashes.emplace(name, std::make_pair(std::move(record.name), std::move(digest)));
      // Gives way to other threads without waiting: a 1 ms pause a record
      // cost every update a second per thousand files of the launcher, and
      // minutes for a table near its size bound, with nothing on the screen.
      std::this_thread::yield();
    }
  }
  PurgeUrlCache(primary);
  PurgeUrlCache(fallback);
  return true;
}

}  // namespace zefo
