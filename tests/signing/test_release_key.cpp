#include "tests/signing/test_release_key.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/test_folders.h"

namespace zefo::testing {

namespace {

constexpr char kTestKeyFile[] =
    "zefo-publish signing key (Ed25519): keep this file secret\n"
    "seed 212ebe6e48f4785e5119484f7cad3c299f6c1526640074f9100cb409a4908eea\n"
    "public c5f2eeb5e9725e2055570ce7b280906b2bc1d565e0496752b7b8672b2e1a4efa\n";

}  // namespace

void WriteTestKeyFile(const std::filesystem::path& path) {
  std::ofstream(path, std::ios::binary) << kTestKeyFile;
}

const publish::SigningKey& TestSigningKey() {
  static const publish::SigningKey* const key = [] {
    TempFolder folder;
    const std::filesystem::path path = folder.path() / "test-key.txt";
    WriteTestKeyFile(path);
    auto* loaded = new publish::SigningKey;
    std::string error;
    EXPECT_TRUE(loaded->Load(path, &error)) << error;
    return loaded;
  }();
  return *key;
}

void SignWithTestKey(const std::filesystem::path& file) {
  std::string bytes;
  ASSERT_TRUE(publish::ReadFileBytes(file, &bytes)) << file;
  std::ofstream(publish::SignaturePath(file), std::ios::binary) << TestSigningKey().Sign(bytes);
}

}  // namespace zefo::testing
