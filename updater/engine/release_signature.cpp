#include "updater/engine/release_signature.h"

#include <sodium.h>

#include <cstdio>
#include <ctime>

#include "updater/sys/file_system.h"

namespace zefo {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Days since 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's
// algorithm); timegm is not in the Windows runtime.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t* year, unsigned* month, unsigned* day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *day = doy - (153 * mp + 2) / 5 + 1;
  *month = mp < 10 ? mp + 3 : mp - 9;
  *year = static_cast<std::int64_t>(yoe) + era * 400 + (*month <= 2);
}

unsigned DaysInMonth(std::int64_t year, unsigned month) {
  static const unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

// The digits at [pos, pos + count) as a number; nothing if any is not a digit.
std::optional<unsigned> Digits(std::string_view text, std::size_t pos, std::size_t count) {
  unsigned value = 0;
  for (std::size_t i = pos; i < pos + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(text[i] - '0');
  }
  return value;
}

bool SodiumReady() {
  static const bool ready = sodium_init() >= 0;
  return ready;
}

}  // namespace

std::optional<ReleaseKey> ParseReleaseKey(std::string_view hex) {
  if (hex.size() != 2 * kReleaseKeyBytes) return std::nullopt;
  ReleaseKey key{};
  for (std::size_t i = 0; i < key.size(); ++i) {
    const int high = HexDigit(hex[2 * i]);
    const int low = HexDigit(hex[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    key[i] = static_cast<unsigned char>(high * 16 + low);
  }
  return key;
}

std::string HexText(const unsigned char* bytes, std::size_t size) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(2 * size);
  for (std::size_t i = 0; i < size; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0x0f];
  }
  return text;
}

bool SignatureMatches(const ReleaseKey& key, std::string_view message, std::string_view signature) {
  if (signature.size() != kSignatureBytes || !SodiumReady()) return false;
  return crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(signature.data()),
                                     reinterpret_cast<const unsigned char*>(message.data()), message.size(),
                                     key.data()) == 0;
}

std::int64_t NowUtcSeconds() { return static_cast<std::int64_t>(std::time(nullptr)); }

std::string FormatExpiryLine(std::int64_t secondsUtc) {
  std::int64_t days = secondsUtc / 86400;
  std::int64_t rest = secondsUtc % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  std::int64_t year = 0;
  unsigned month = 0;
  unsigned day = 0;
  CivilFromDays(days, &year, &month, &day);
  char text[64];
  std::snprintf(text, sizeof text, "%s%04lld-%02u-%02uT%02u:%02u:%02uZ", kExpiryPrefix,
                static_cast<long long>(year), month, day, static_cast<unsigned>(rest / 3600),
                static_cast<unsigned>(rest / 60 % 60), static_cast<unsigned>(rest % 60));
  return text;
}

std::optional<std::int64_t> ParseExpiryLine(std::string_view line) {
  const std::string_view prefix(kExpiryPrefix);
  // expires=YYYY-MM-DDTHH:MM:SSZ
  if (line.size() != prefix.size() + 20 || line.substr(0, prefix.size()) != prefix) return std::nullopt;
  const std::string_view t = line.substr(prefix.size());
  if (t[4] != '-' || t[7] != '-' || t[10] != 'T' || t[13] != ':' || t[16] != ':' || t[19] != 'Z') {
    return std::nullopt;
  }
  const auto year = Digits(t, 0, 4);
  const auto month = Digits(t, 5, 2);
  const auto day = Digits(t, 8, 2);
  const auto hour = Digits(t, 11, 2);
  const auto minute = Digits(t, 14, 2);
  const auto second = Digits(t, 17, 2);
  if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
  if (*year < 1970 || *month < 1 || *month > 12 || *day < 1 || *day > DaysInMonth(*year, *month) ||
      *hour > 23 || *minute > 59 || *second > 59) {
    return std::nullopt;
  }
  return DaysFromCivil(*year, *month, *day) * 86400 + *hour * 3600 + *minute * 60 + *second;
}

ExpiryState VersionInfoExpiry(std::string_view text, std::int64_t nowUtc) {
  const std::size_t firstEnd = text.find('\n');
  if (firstEnd == std::string_view::npos) return ExpiryState::kNone;
  std::string_view second = text.substr(firstEnd + 1);
  second = second.substr(0, second.find('\n'));
  if (!second.empty() && second.back() == '\r') second.remove_suffix(1);
  if (second.empty()) return ExpiryState::kNone;
  const auto expiry = ParseExpiryLine(second);
  if (!expiry) return ExpiryState::kUnreadable;
  return nowUtc < *expiry ? ExpiryState::kValid : ExpiryState::kExpired;
}

bool ReadWholeFile(const std::wstring& path, std::size_t maxBytes, std::string* bytes) {
  bytes->clear();
  const FileHandle file = OpenForReading(path);
  if (!file) return false;
  char buffer[16384];
  std::size_t read = 0;
  while ((read = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
    if (bytes->size() + read > maxBytes) return false;
    bytes->append(buffer, read);
  }
  return std::ferror(file.get()) == 0;
}

SignatureVerdict CheckSignedFile(const ReleaseKey& key, const std::wstring& filePath,
                                 const std::wstring& signaturePath, bool versionInfo, std::int64_t nowUtc) {
  std::string signature;
  // One byte more than a signature: a longer file is no signature either.
  if (!ReadWholeFile(signaturePath, kSignatureBytes + 1, &signature)) {
    return PathExists(signaturePath) ? SignatureVerdict::kInvalid : SignatureVerdict::kMissing;
  }
  std::string bytes;
  if (!ReadWholeFile(filePath, kMaxSignedFileBytes, &bytes) || !SignatureMatches(key, bytes, signature)) {
    return SignatureVerdict::kInvalid;
  }
  if (versionInfo) {
    const ExpiryState expiry = VersionInfoExpiry(bytes, nowUtc);
    if (expiry == ExpiryState::kExpired || expiry == ExpiryState::kUnreadable) return SignatureVerdict::kExpired;
  }
  return SignatureVerdict::kValid;
}

}  // namespace zefo
