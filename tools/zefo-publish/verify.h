// `zefo-publish verify`: every rule the updater relies on, checked on ROOT.
#pragma once

#include <cstdio>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "updater/engine/release_signature.h"

namespace zefo::publish {

// The problems of ROOT, one sentence each; none when every rule holds. With
// the publisher's public key, also every signature and the expiry at `nowUtc`.
std::vector<std::string> VerifyTree(const std::filesystem::path& root, std::FILE* progressStream,
                                    const std::optional<ReleaseKey>& publicKey = std::nullopt,
                                    std::int64_t nowUtc = NowUtcSeconds());

}  // namespace zefo::publish
