#include "tools/zefo-publish/file_digest.h"

#include <cstring>
#include <vector>

#include "tools/zefo-publish/platform.h"
#include "updater/sys/md5.h"

namespace zefo::publish {

namespace {

constexpr std::size_t kBlockBytes = 1 << 16;

void TakeDigest(MD5_hash& hash, Digest* digest) {
  hash.finalize();
  std::memcpy(digest->bytes, hash.digest(), sizeof digest->bytes);
}

}  // namespace

bool Digest::operator==(const Digest& other) const {
  return std::memcmp(bytes, other.bytes, sizeof bytes) == 0;
}

std::string Digest::Text() const { return DigestToHex(bytes); }

bool DigestFile(const std::filesystem::path& path, Digest* digest, Progress* progress) {
  FileHandle file = OpenFile(path, "rb");
  if (!file) return false;
  MD5_hash hash;
  std::vector<unsigned char> block(kBlockBytes);
  std::size_t read;
  while ((read = std::fread(block.data(), 1, block.size(), file.get())) > 0) {
    hash.update(block.data(), static_cast<std::uint32_t>(read));
    if (progress) progress->Advance(read);
  }
  if (std::ferror(file.get())) return false;
  TakeDigest(hash, digest);
  return true;
}

bool CopyFileWithDigest(const std::filesystem::path& from, const std::filesystem::path& to, Digest* digest,
                        Progress* progress, std::string* error) {
  FileHandle in = OpenFile(from, "rb");
  if (!in) {
    *error = "cannot open " + from.u8string();
    return false;
  }
  FileHandle out = OpenFile(to, "wb");
  if (!out) {
    *error = "cannot create " + to.u8string();
    return false;
  }
  MD5_hash hash;
  std::vector<unsigned char> block(kBlockBytes);
  std::size_t read;
  while ((read = std::fread(block.data(), 1, block.size(), in.get())) > 0) {
    if (std::fwrite(block.data(), 1, read, out.get()) != read) {
      *error = "cannot write " + to.u8string();
      return false;
    }
    hash.update(block.data(), static_cast<std::uint32_t>(read));
    if (progress) progress->Advance(read);
  }
  if (std::ferror(in.get())) {
    *error = "cannot read " + from.u8string();
    return false;
  }
  if (std::fclose(out.release()) != 0) {
    *error = "cannot write " + to.u8string();
    return false;
  }
  TakeDigest(hash, digest);
  return true;
}

Digest DigestBytes(const std::string& bytes) {
  MD5_hash hash;
  hash.update(reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<std::uint32_t>(bytes.size()));
  Digest digest;
  TakeDigest(hash, &digest);
  return digest;
}

}  // namespace zefo::publish
