// What an installation makes of a published tree, following the updater's
// rules: the regular update (lists merged newest first, every file proven
// against "VersionHash.inf"), the full download ("FullPatchInfo.inf"), the new
// updater moved into place, and "RemoveFiles.inf" applied at the next start.
// The tests use it to judge a tree as clients see it, before and without the
// engine itself.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "tests/publish/publish_scenario.h"

namespace zefo::publish::testing {

struct ClientOutcome {
  bool ok = false;
  std::string failure;  // what stopped the client, when not ok
  FileMap program;      // the program folder after the next start
};

// The version "VersionInfo.txt" names; 0 when it is missing.
std::int32_t PublishedVersionOf(const std::filesystem::path& root);

ClientOutcome UpdateLikeClient(const std::filesystem::path& root, std::int32_t installedVersion,
                               const FileMap& installed);
ClientOutcome FullDownloadLikeClient(const std::filesystem::path& root, const FileMap& installed);

}  // namespace zefo::publish::testing
