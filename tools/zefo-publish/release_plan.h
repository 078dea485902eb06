// What a release writes, worked out from the published tree and the build
// before anything is written.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tools/zefo-publish/build_scan.h"
#include "tools/zefo-publish/published_tree.h"

namespace zefo::publish {

// A release may skip at most this many versions: every client fetches the
// list of each version in between, so a mistyped number would cost them all.
constexpr std::int32_t kMaxSkippedVersions = 1000;

struct PlannedCopy {
  std::string listName;  // stored as "<version>/<listName>"
  std::filesystem::path source;
  Digest digest;
};

struct ReleasePlan {
  std::int32_t version = 0;
  // The first version folder to create: the one after the published version,
  // or for a first release the first version installations fetch.
  std::int32_t firstNewVersion = 0;
  std::vector<PlannedCopy> copies;   // changed and added files
  // "<version>/RemoveFiles.inf", when the files to remove differ from the
  // newest published list.
  std::optional<std::string> removeFilesText;
  std::set<std::string> removals;  // every file to remove, in lower case
  std::vector<std::string> list;   // "<version>/download_info.txt"
  std::vector<VersionHashRecord> hashes;
  std::vector<FullPatchRecord> fullPatch;
  std::size_t unchangedFiles = 0;
};

// False with a sentence in `refusal` when the release must not be made.
bool PlanRelease(const PublishedTree& tree, const std::vector<BuildFile>& build, std::int32_t version,
                 ReleasePlan* plan, std::string* refusal);

}  // namespace zefo::publish
