#include "tools/zefo-publish/signing_key.h"

#include <cstdio>
#include <sstream>

#include "tools/zefo-publish/platform.h"

namespace zefo::publish {

namespace {

constexpr char kHeader[] = "zefo-publish signing key (Ed25519): keep this file secret";
constexpr char kSeedField[] = "seed ";
constexpr char kPublicField[] = "public ";

bool Ready(std::string* error) {
  if (sodium_init() >= 0) return true;
  *error = "libsodium cannot be initialised";
  return false;
}

}  // namespace

SigningKey::~SigningKey() { sodium_memzero(secret_, sizeof secret_); }

void SigningKey::FromSeed(const unsigned char* seed) {
  crypto_sign_seed_keypair(publicKey_.data(), secret_, seed);
}

bool SigningKey::Create(const std::filesystem::path& path, std::string* error) {
  if (!Ready(error)) return false;
  unsigned char seed[crypto_sign_SEEDBYTES];
  randombytes_buf(seed, sizeof seed);
  FromSeed(seed);
  std::string text = std::string(kHeader) + "\n" + kSeedField + HexText(seed, sizeof seed) + "\n" + kPublicField +
                     PublicKeyHex() + "\n";
  sodium_memzero(seed, sizeof seed);

  std::string reason;
  FileHandle file = CreatePrivateFile(path, &reason);
  if (!file) {
    *error = "cannot create " + path.u8string() + ": " + reason;
    sodium_memzero(text.data(), text.size());
    return false;
  }
  const bool written = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size() && SyncFile(file.get()) &&
                       std::fclose(file.release()) == 0;
  sodium_memzero(text.data(), text.size());
  if (!written) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);  // half a key is no key
    *error = "cannot write " + path.u8string();
    return false;
  }
  return true;
}

bool SigningKey::Load(const std::filesystem::path& path, std::string* error) {
  if (!Ready(error)) return false;
  std::string text;
  if (!ReadFileBytes(path, &text)) {
    *error = "cannot read the key file " + path.u8string();
    return false;
  }
  std::istringstream lines(text);
  std::string header, seedLine, publicLine;
  std::getline(lines, header);
  std::getline(lines, seedLine);
  std::getline(lines, publicLine);
  sodium_memzero(text.data(), text.size());
  const std::string seedField(kSeedField), publicField(kPublicField);
  std::optional<ReleaseKey> seed;
  std::optional<ReleaseKey> stated;
  if (header == kHeader && seedLine.compare(0, seedField.size(), seedField) == 0 &&
      publicLine.compare(0, publicField.size(), publicField) == 0) {
    seed = ParseReleaseKey(std::string_view(seedLine).substr(seedField.size()));
    stated = ParseReleaseKey(std::string_view(publicLine).substr(publicField.size()));
  }
  sodium_memzero(seedLine.data(), seedLine.size());
  if (!seed || !stated) {
    *error = path.u8string() + " is not a key file made by zefo-publish keygen";
    return false;
  }
  FromSeed(seed->data());
  sodium_memzero(seed->data(), seed->size());
  if (publicKey_ != *stated) {
    *error = path.u8string() + " is damaged: its secret does not give the public key it states";
    return false;
  }
  return true;
}

std::string SigningKey::Sign(std::string_view message) const {
  unsigned char signature[crypto_sign_BYTES];
  crypto_sign_detached(signature, nullptr, reinterpret_cast<const unsigned char*>(message.data()), message.size(),
                       secret_);
  return std::string(reinterpret_cast<const char*>(signature), sizeof signature);
}

std::filesystem::path SignaturePath(std::filesystem::path file) { return file += kSignatureSuffix; }

std::string VersionInfoText(std::int32_t version, const std::optional<std::int64_t>& expiresUtc) {
  std::string text = std::to_string(version) + "\n";
  if (expiresUtc) text += FormatExpiryLine(*expiresUtc) + "\n";
  return text;
}

bool ReadFileBytes(const std::filesystem::path& path, std::string* bytes) {
  bytes->clear();
  FileHandle file = OpenFile(path, "rb");
  if (!file) return false;
  char buffer[65536];
  std::size_t read = 0;
  while ((read = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) bytes->append(buffer, read);
  return std::ferror(file.get()) == 0;
}

}  // namespace zefo::publish
