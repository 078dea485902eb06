// The consistency rules the updater relies on, checked on a read tree.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/zefo-publish/published_tree.h"

namespace zefo::publish {

// Problems a client would meet, one sentence each. With `readContent` the
// bytes of every file a client may fetch are proven against their digests
// (a progress line goes to `progressStream` when it is a terminal); without,
// only names, presence and the manifests' agreement are checked.
std::vector<std::string> FindTreeProblems(const std::filesystem::path& root, const PublishedTree& tree,
                                          bool readContent, std::FILE* progressStream);

// Lines about what an unfinished release left behind.
std::vector<std::string> DescribeLeftovers(const PublishedTree& tree);

}  // namespace zefo::publish
