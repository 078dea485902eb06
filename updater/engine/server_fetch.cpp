#include "updater/engine/server_fetch.h"

#include "updater/engine/release_signature.h"
#include "updater/net/download.h"
#include "updater/sys/file_helpers.h"
#include "updater/sys/file_system.h"
#include "updater/sys/last_error.h"
#include "updater/sys/process.h"
#include "updater/sys/text.h"

namespace zefo {
namespace {

std::uint32_t VerdictError(SignatureVerdict verdict) {
  switch (verdict) {
    case SignatureVerdict::kValid: return 0;
    case SignatureVerdict::kMissing: return ToErrorCode(ZefoError::kSignatureMissing);
    case SignatureVerdict::kInvalid: return ToErrorCode(ZefoError::kSignatureInvalid);
    case SignatureVerdict::kExpired: return ToErrorCode(ZefoError::kReleaseExpired);
  }
  return ToErrorCode(ZefoError::kSignatureInvalid);
}

// Fetches "<address>.sig" beside the downloaded file and checks it; the
// last error says why when it fails.
bool SignatureHolds(const std::wstring& primary, const std::wstring& fallback, const std::wstring& localPath,
                    const std::string& releaseKey, SignedManifest kind) {
  const std::wstring suffix = ToWideString(kSignatureSuffix);
  const std::wstring sigPrimary = primary + suffix;
  const std::wstring sigFallback = fallback + suffix;
  const std::wstring sigLocal = localPath + suffix;
  // The same 512-character buffers as the file's own addresses.
  if (sigPrimary.size() >= kTextBufferSize || sigFallback.size() >= kTextBufferSize ||
      sigLocal.size() >= kTextBufferSize) {
    SetLastErrorCode(ToErrorCode(ZefoError::kPathTooLong));
    return false;
  }
  PurgeUrlCache(sigPrimary);
  PurgeUrlCache(sigFallback);
  const bool fetched = DownloadFile(sigPrimary, sigFallback, sigLocal);
  SleepMilliseconds(1);
  PurgeUrlCache(sigPrimary);
  PurgeUrlCache(sigFallback);

  SignatureVerdict verdict = SignatureVerdict::kMissing;
  if (fetched) {
    // A key that is not 64 hex characters cannot come from the build's
    // configuration; nothing verifies against it.
    const auto key = ParseReleaseKey(releaseKey);
    verdict = key ? CheckSignedFile(*key, localPath, sigLocal, kind == SignedManifest::kVersionInfo, NowUtcSeconds())
                  : SignatureVerdict::kInvalid;
  }
  if (verdict == SignatureVerdict::kValid) return true;
  // Nothing unproven stays where a later step could read it.
  RemoveFile(localPath);
  RemoveFile(sigLocal);
  SetLastErrorCode(VerdictError(verdict));
  return false;
}

}  // namespace

FetchResult FetchServerFile(bool formed, const wchar_t* primary, const wchar_t* fallback,
                            const wchar_t* localPath, const std::string& releaseKey, SignedManifest kind) {
  FetchResult result;
  if (formed) {
    MakeDirectoriesW(localPath, L'/');
    PurgeUrlCache(primary);
    PurgeUrlCache(fallback);
    result.downloaded = DownloadFile(primary, fallback, localPath);
    if (result.downloaded && !releaseKey.empty()) {
      result.downloaded = SignatureHolds(primary, fallback, localPath, releaseKey, kind);
    }
  } else {
    SetLastErrorCode(ToErrorCode(ZefoError::kPathTooLong));
  }
  if (!result.downloaded) result.error = LastError::Take();
  SleepMilliseconds(1);
  return result;
}

}  // namespace zefo
