// The publisher's Ed25519 signing key: made by `keygen`, read by `--sign`,
// and the signatures and expiry lines written with it.
#pragma once

#include <sodium.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "updater/engine/release_signature.h"

namespace zefo::publish {

class SigningKey {
 public:
  SigningKey() = default;
  ~SigningKey();
  SigningKey(const SigningKey&) = delete;
  SigningKey& operator=(const SigningKey&) = delete;

  // A new random key written to `path`, readable by its owner only; never
  // over an existing file. False with the reason in `error`.
  bool Create(const std::filesystem::path& path, std::string* error);
  // A key file `Create` wrote. False with the reason in `error`.
  bool Load(const std::filesystem::path& path, std::string* error);

  const ReleaseKey& publicKey() const { return publicKey_; }
  std::string PublicKeyHex() const { return HexText(publicKey_.data(), publicKey_.size()); }
  // The detached signature of exactly `message` (64 raw bytes).
  std::string Sign(std::string_view message) const;

 private:
  void FromSeed(const unsigned char* seed);

  unsigned char secret_[crypto_sign_SECRETKEYBYTES] = {};
  ReleaseKey publicKey_{};
};

// The signature file of a published file: "<file>.sig".
std::filesystem::path SignaturePath(std::filesystem::path file);

// The whole "VersionInfo.txt": the version, and the expiry line when given.
std::string VersionInfoText(std::int32_t version, const std::optional<std::int64_t>& expiresUtc);

// Reads a whole file; false when it cannot be read.
bool ReadFileBytes(const std::filesystem::path& path, std::string* bytes);

}  // namespace zefo::publish
