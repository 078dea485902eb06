// MD5 digest (RFC 1321) of streams and files.
#pragma once

#include <cstdint>
#include <istream>
#include <string>

namespace zefo {

class MD5_hash {
 public:
  // Reads the whole stream in blocks of 1,024 bytes and finalises.
  explicit MD5_hash(std::istream& stream);
  // An empty digest, ready for update().
  MD5_hash();

  void update(const unsigned char* input, std::uint32_t length);
  void finalize();
  // 32 lowercase hexadecimal characters, or "" before finalize().
  std::string digest2hexstring() const;
  // The 16 raw bytes (valid once finalised).
  const unsigned char* digest() const { return digest_; }

 private:
  void transform(const unsigned char block[64]);

  std::uint32_t state_[4];
  std::uint32_t count_[2];  // bits fed so far, low word first
  unsigned char buffer_[64];
  unsigned char digest_[16];
  bool finalized_;
};

// Digest text of the file at `path` (narrow), or "" when it cannot be opened.
std::string FileMD5Hex(const std::string& path);
// The same for a wide path.
std::string FileMD5HexW(const std::wstring& path);

// "%02x" for each of the 16 bytes.
std::string DigestToHex(const unsigned char digest[16]);

}  // namespace zefo
