// The signing key of the signed-release tests. A test key: its secret half is
// public in this repository, so nothing real is ever signed with it.
#pragma once

#include <filesystem>
#include <string>

#include "tools/zefo-publish/signing_key.h"

namespace zefo::testing {

// Its public half, as `zefo-publish keygen` prints it.
constexpr char kTestReleasePublicKey[] = "c5f2eeb5e9725e2055570ce7b280906b2bc1d565e0496752b7b8672b2e1a4efa";

// Writes the key file (as keygen writes one) to `path`.
void WriteTestKeyFile(const std::filesystem::path& path);
// The key, loaded from such a file.
const publish::SigningKey& TestSigningKey();

// Writes "<file>.sig": the test key's signature of the file's bytes now.
void SignWithTestKey(const std::filesystem::path& file);

}  // namespace zefo::testing
