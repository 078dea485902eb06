// The calling thread's last platform error, as callers quote it in messages
// and reports after a failed operation.
//
// Windows: GetLastError / SetLastError.
// Linux: a thread-local value set by the platform adapters; the code ranges
// are listed in docs/ERRORS.md (errno values, libcurl results, HTTP statuses).
#pragma once

#include <cstdint>

namespace zefo {

std::uint32_t LastErrorCode();
void SetLastErrorCode(std::uint32_t code);

// Linux code ranges (Windows uses its own codes). Bit 29 marks codes that are
// not the system's own, as Windows reserves it for application codes.
constexpr std::uint32_t kErrorCurlBase = 0x20010000;        // + CURLcode
constexpr std::uint32_t kErrorHttpStatusBase = 0x20020000;  // + HTTP status
constexpr std::uint32_t kErrorZefoBase = 0x20030000;        // + ZefoError

enum class ZefoError : std::uint32_t {
  kPathTooLong = 1,     // a path does not fit the fixed 512-character buffer
  kUnsafePath = 2,      // a published name leaves the program folder
  kDigestMismatch = 3,  // a fetched file's bytes differ from its digest
  kBadManifest = 4,     // a manifest is cut short or has a bad field
  // Signed releases (an updater built with the publisher's key).
  kSignatureMissing = 10,  // no signature file came with a manifest
  kSignatureInvalid = 11,  // the signature is not the key's, for these bytes
  kReleaseExpired = 12,    // "VersionInfo.txt" is past, or lacks a readable, expiry
  // Bounds on what a server may make the updater hold.
  kManifestTooLarge = 25,  // a manifest beyond the size, or listing more files, the updater reads
};

constexpr std::uint32_t ToErrorCode(ZefoError e) {
  return kErrorZefoBase + static_cast<std::uint32_t>(e);
}

}  // namespace zefo
