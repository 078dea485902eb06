// What an updater built with the publisher's key checks, checked on a read
// tree: every manifest it fetches has a signature of this key, and
// "VersionInfo.txt" has not expired.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/zefo-publish/published_tree.h"
#include "updater/engine/release_signature.h"

namespace zefo::publish {

// One sentence per problem; none when a signed updater accepts every manifest
// at `nowUtc`.
std::vector<std::string> FindSignatureProblems(const std::filesystem::path& root, const PublishedTree& tree,
                                               const ReleaseKey& key, std::int64_t nowUtc);

}  // namespace zefo::publish
