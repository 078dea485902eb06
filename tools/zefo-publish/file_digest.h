// Digests and copies of whole files, streamed in blocks.
#pragma once

#include <filesystem>
#include <string>

#include "tools/zefo-publish/progress.h"

namespace zefo::publish {

struct Digest {
  unsigned char bytes[16] = {};
  bool operator==(const Digest& other) const;
  bool operator!=(const Digest& other) const { return !(*this == other); }
  std::string Text() const;
};

// The MD5 digest of the file's bytes; false when it cannot be read.
bool DigestFile(const std::filesystem::path& path, Digest* digest, Progress* progress);
// Copies `from` to `to` (created or truncated) and gives the digest of the
// bytes written; the caller puts the copies on disk in one batch (SyncAll).
// On failure `error` says what went wrong.
bool CopyFileWithDigest(const std::filesystem::path& from, const std::filesystem::path& to, Digest* digest,
                        Progress* progress, std::string* error);
// The MD5 digest of `bytes`.
Digest DigestBytes(const std::string& bytes);

}  // namespace zefo::publish
