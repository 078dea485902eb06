// What a patch-server tree (one ROOT) publishes, read back from its files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tools/zefo-publish/remove_list.h"
#include "updater/engine/formats/manifest_formats.h"

namespace zefo::publish {

struct PublishedTree {
  bool published = false;      // "VersionInfo.txt" exists
  std::int32_t version = 0;    // the version it names
  // Each readable "download_info.txt" of a version folder up to `version`.
  std::map<std::int32_t, std::vector<std::string>> lists;
  std::vector<VersionHashRecord> hashes;
  std::vector<FullPatchRecord> fullPatch;
  // The newest "RemoveFiles.inf" that a list names, and the version listing it (0: none).
  RemoveList removals;
  std::int32_t removalsVersion = 0;
  // Faults in reading: missing or damaged manifests and folders.
  std::vector<std::string> problems;
  // Left by a release that did not finish: version folders above `version`
  // (all of them when nothing is published) and temporary files at the top.
  std::vector<std::int32_t> unfinishedVersions;
  std::vector<std::string> temporaryFiles;
};

PublishedTree ReadPublishedTree(const std::filesystem::path& root);

// For each listed name, the newest version whose list names it.
std::map<std::string, std::int32_t> NewestListings(const PublishedTree& tree);
// The digest table as the updater builds it: the first record of a name wins.
std::map<std::string, const VersionHashRecord*> DigestTable(const PublishedTree& tree);

// "<root>/<version>" and "<root>/<version>/<name>".
std::filesystem::path VersionFolder(const std::filesystem::path& root, std::int32_t version);
std::filesystem::path PublishedFile(const std::filesystem::path& root, std::int32_t version, const std::string& name);

}  // namespace zefo::publish
