// What a release writes, worked out from the published tree and the build
// before anything is written.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
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
  // Known before copying for a file the published build has (it was read to
  // tell whether it changed; the copy must match it); for a new file, set
  // from the bytes copied.
  std::optional<Digest> digest;
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
  // Complete once every copy has its digest (CompletePlan).
  std::vector<VersionHashRecord> hashes;
  std::vector<FullPatchRecord> fullPatch;
  std::size_t unchangedFiles = 0;
  // By the name "VersionHash.inf" lists; the copies' digests are added last.
  std::map<std::string, Digest> digests;
};

// The build files the published build has under the same name: only their
// digests are needed before copying, to tell which of them changed.
std::vector<BuildFile*> FilesPublishedBefore(const PublishedTree& tree, std::vector<BuildFile>* build);

// False with a sentence in `refusal` when the release must not be made.
// Every file of `build` that FilesPublishedBefore names must have its digest.
bool PlanRelease(const PublishedTree& tree, const std::vector<BuildFile>& build, std::int32_t version,
                 ReleasePlan* plan, std::string* refusal);

// Adds the copies' digests to the manifests' records, once all are copied.
void CompletePlan(ReleasePlan* plan);

}  // namespace zefo::publish
