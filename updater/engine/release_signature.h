// Signed releases: every manifest of the patch server comes with a detached
// Ed25519 signature of its exact bytes ("<name>.sig", 64 raw bytes), and
// "VersionInfo.txt" may carry an expiry on its second line
// ("expires=YYYY-MM-DDTHH:MM:SSZ", UTC). An updater built with the
// publisher's public key uses a manifest only when both hold; the publishing
// tool writes and checks them with the same functions.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zefo {

constexpr std::size_t kReleaseKeyBytes = 32;
constexpr std::size_t kSignatureBytes = 64;
constexpr char kSignatureSuffix[] = ".sig";
constexpr char kExpiryPrefix[] = "expires=";

using ReleaseKey = std::array<unsigned char, kReleaseKeyBytes>;

// 64 hexadecimal characters (either case); nothing for any other text.
std::optional<ReleaseKey> ParseReleaseKey(std::string_view hex);
// Lowercase hexadecimal text of any bytes.
std::string HexText(const unsigned char* bytes, std::size_t size);

// True when `signature` is the key's Ed25519 signature of exactly `message`.
bool SignatureMatches(const ReleaseKey& key, std::string_view message, std::string_view signature);

// Seconds since 1970-01-01 00:00:00 UTC.
std::int64_t NowUtcSeconds();
// "expires=YYYY-MM-DDTHH:MM:SSZ" for a moment in UTC (years 1970 to 9999).
std::string FormatExpiryLine(std::int64_t secondsUtc);
// The moment such a line names; nothing unless it is exactly that form with a
// real date and time.
std::optional<std::int64_t> ParseExpiryLine(std::string_view line);

enum class ExpiryState {
  kNone,        // no second line, or an empty one: the release never expires
  kValid,       // a readable expiry still ahead
  kExpired,     // the expiry has passed
  kUnreadable,  // a second line that is not an expiry
};
// The expiry of a "VersionInfo.txt" (its whole text) at `nowUtc`.
ExpiryState VersionInfoExpiry(std::string_view text, std::int64_t nowUtc);

enum class SignatureVerdict { kValid, kMissing, kInvalid, kExpired };

// Checks a fetched manifest against its fetched signature file. With
// `versionInfo` the expiry is checked too; an unreadable one counts as
// expired, as it proves nothing about the release being current.
SignatureVerdict CheckSignedFile(const ReleaseKey& key, const std::wstring& filePath,
                                 const std::wstring& signaturePath, bool versionInfo, std::int64_t nowUtc);

// Manifests are checked in memory; a larger one is refused as unsigned data
// no publisher writes (ten thousand files take about a megabyte).
constexpr std::size_t kMaxSignedFileBytes = 64u << 20;

// Reads a whole file of at most `maxBytes`; false when it cannot be opened or
// read, or is larger.
bool ReadWholeFile(const std::wstring& path, std::size_t maxBytes, std::string* bytes);

}  // namespace zefo
