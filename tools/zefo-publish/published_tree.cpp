#include "tools/zefo-publish/published_tree.h"

#include <set>
#include <system_error>

#include "tools/zefo-publish/platform.h"
#include "tools/zefo-publish/publish_names.h"

namespace zefo::publish {

namespace fs = std::filesystem;

namespace {

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

void ReadVersionInfoFile(const fs::path& root, PublishedTree* tree) {
  FileHandle file = OpenFile(root / kVersionInfoName, "rb");
  if (!file) {
    std::error_code error;
    if (fs::exists(root / kVersionInfoName, error)) tree->problems.push_back("VersionInfo.txt cannot be read");
    return;
  }
  tree->published = true;
  tree->version = ReadVersionInfo(file.get());
  if (tree->version <= 0) tree->problems.push_back("VersionInfo.txt does not name a version");
}

void ReadHashes(const fs::path& root, PublishedTree* tree) {
  FileHandle file = OpenFile(root / kVersionHashName, "rb");
  if (!file) {
    tree->problems.push_back("VersionHash.inf is missing");
    return;
  }
  VersionHashContents contents = ReadVersionHashFile(file.get());
  if (!contents.complete) {
    tree->problems.push_back("VersionHash.inf is damaged after " + std::to_string(contents.records.size()) +
                             " records");
  }
  tree->hashes = std::move(contents.records);
}

void ReadFullPatch(const fs::path& root, PublishedTree* tree) {
  FileHandle file = OpenFile(root / kFullPatchName, "rb");
  if (!file) {
    tree->problems.push_back("FullPatchInfo.inf is missing");
    return;
  }
  FullPatchContents contents = ReadFullPatchFile(file.get());
  if (!contents.complete) {
    tree->problems.push_back("FullPatchInfo.inf is damaged after " + std::to_string(contents.records.size()) +
                             " records");
  }
  tree->fullPatch = std::move(contents.records);
}

// Installations fetch the lists from the version after their own, at least
// kFirstFetchedVersion, up to the published one: each of those must exist.
void ReadLists(const fs::path& root, const std::set<std::int32_t>& folders, PublishedTree* tree) {
  auto first = folders.begin();
  if (first == folders.end() || *first > tree->version) {
    tree->problems.push_back("no version folder at or below the published version " +
                             std::to_string(tree->version));
    return;
  }
  auto reportGap = [tree](std::int64_t from, std::int64_t to) {
    if (from > to) return;
    tree->problems.push_back(from == to ? "version folder " + std::to_string(from) + " is missing"
                                        : "version folders " + std::to_string(from) + " to " +
                                              std::to_string(to) + " are missing");
  };
  std::int64_t expected = kFirstFetchedVersion;  // the next folder that must exist (64 bits: past INT32_MAX)
  for (std::int32_t v : folders) {
    if (v > tree->version) break;
    if (v >= expected) {
      reportGap(expected, v - 1);
      expected = std::int64_t{v} + 1;
    }
    FileHandle list = OpenFile(VersionFolder(root, v) / kDownloadListName, "rb");
    if (!list) {
      if (v >= kFirstFetchedVersion) tree->problems.push_back(std::to_string(v) + "/download_info.txt is missing");
      continue;
    }
    tree->lists[v] = ReadDownloadList(list.get());
  }
  reportGap(expected, tree->version);
}

void ReadNewestRemovals(const fs::path& root, PublishedTree* tree) {
  for (auto it = tree->lists.rbegin(); it != tree->lists.rend(); ++it) {
    for (const std::string& name : it->second) {
      if (name != kRemoveFilesName) continue;
      tree->removalsVersion = it->first;
      if (!ReadRemoveList(PublishedFile(root, it->first, name), &tree->removals)) {
        tree->problems.push_back(std::to_string(it->first) + "/RemoveFiles.inf cannot be read");
      }
      return;
    }
  }
}

}  // namespace

PublishedTree ReadPublishedTree(const fs::path& root) {
  PublishedTree tree;
  std::error_code error;
  if (!fs::exists(root, error)) return tree;
  if (!fs::is_directory(root, error)) {
    tree.problems.push_back(root.u8string() + " is not a folder");
    return tree;
  }

  std::set<std::int32_t> folders;
  for (fs::directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().u8string();
    std::int32_t version = 0;
    std::error_code kindError;
    if (it->is_directory(kindError) && ParseVersionNumber(name, &version)) {
      folders.insert(version);
    } else if (EndsWith(name, kTemporarySuffix)) {
      tree.temporaryFiles.push_back(name);
    }
  }
  if (error) {
    tree.problems.push_back(root.u8string() + " cannot be listed");
    return tree;
  }

  ReadVersionInfoFile(root, &tree);
  if (!tree.published) {
    tree.unfinishedVersions.assign(folders.begin(), folders.end());
    for (const char* name : {kVersionHashName, kFullPatchName}) {
      if (fs::exists(root / name, error)) tree.problems.push_back(std::string(name) + " exists without VersionInfo.txt");
    }
    return tree;
  }
  for (std::int32_t v : folders) {
    if (v > tree.version) tree.unfinishedVersions.push_back(v);
  }
  ReadLists(root, folders, &tree);
  ReadHashes(root, &tree);
  ReadFullPatch(root, &tree);
  ReadNewestRemovals(root, &tree);
  return tree;
}

std::map<std::string, std::int32_t> NewestListings(const PublishedTree& tree) {
  std::map<std::string, std::int32_t> newest;
  for (const auto& [version, names] : tree.lists) {
    for (const std::string& name : names) newest[name] = version;  // lists are walked oldest first
  }
  return newest;
}

std::map<std::string, const VersionHashRecord*> DigestTable(const PublishedTree& tree) {
  std::map<std::string, const VersionHashRecord*> table;
  for (const VersionHashRecord& record : tree.hashes) table.emplace(record.name, &record);
  return table;
}

fs::path VersionFolder(const fs::path& root, std::int32_t version) { return root / std::to_string(version); }

fs::path PublishedFile(const fs::path& root, std::int32_t version, const std::string& name) {
  return VersionFolder(root, version) / fs::u8path(name);
}

}  // namespace zefo::publish
