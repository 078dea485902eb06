#include "tools/zefo-publish/release_plan.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "tools/zefo-publish/publish_names.h"

namespace zefo::publish {

namespace {

bool CheckVersion(const PublishedTree& tree, std::int32_t version, std::string* refusal) {
  if (version < kFirstFetchedVersion) {
    *refusal = "version " + std::to_string(version) + " is below " + std::to_string(kFirstFetchedVersion) +
               ": installations start at 99 and would never update to it";
    return false;
  }
  if (!tree.published) return true;
  if (version <= tree.version) {
    *refusal = "version " + std::to_string(version) + " is not above the published version " +
               std::to_string(tree.version);
    return false;
  }
  const std::int64_t skipped = std::int64_t{version} - tree.version - 1;
  if (skipped > kMaxSkippedVersions) {
    *refusal = "version " + std::to_string(version) + " would skip " + std::to_string(skipped) +
               " versions after " + std::to_string(tree.version) + " (at most " +
               std::to_string(kMaxSkippedVersions) + "); every client fetches the list of each";
    return false;
  }
  return true;
}

std::string RemotePath(std::int32_t version, const std::string& listName) {
  return std::to_string(version) + "/" + listName;
}

FullPatchRecord FullPatchEntry(const std::string& listName, const std::string& remotePath, const Digest& digest) {
  FullPatchRecord record;
  record.installPath = WithBackslashes(listName);
  record.remotePath = remotePath;
  record.digestText = digest.Text();
  std::memcpy(record.digest, digest.bytes, sizeof record.digest);
  return record;
}

// Every file a version list ever delivered, as it ends up in the program
// folder, in lower case (the updater lower-cases "RemoveFiles.inf").
std::set<std::string> EverPublished(const PublishedTree& tree) {
  std::set<std::string> names;
  for (const auto& [version, list] : tree.lists) {
    for (const std::string& name : list) {
      if (name != kRemoveFilesName) names.insert(AsciiLowercase(InstallName(name)));
    }
  }
  return names;
}

std::map<std::string, const FullPatchRecord*> PublishedBuild(const PublishedTree& tree) {
  std::map<std::string, const FullPatchRecord*> previous;  // by install path
  for (const FullPatchRecord& record : tree.fullPatch) previous.emplace(record.installPath, &record);
  return previous;
}

}  // namespace

std::vector<BuildFile*> FilesPublishedBefore(const PublishedTree& tree, std::vector<BuildFile>* build) {
  const std::map<std::string, const FullPatchRecord*> previous = PublishedBuild(tree);
  std::vector<BuildFile*> files;
  for (BuildFile& file : *build) {
    if (previous.count(WithBackslashes(ListName(file.name))) != 0) files.push_back(&file);
  }
  return files;
}

bool PlanRelease(const PublishedTree& tree, const std::vector<BuildFile>& build, std::int32_t version,
                 ReleasePlan* plan, std::string* refusal) {
  if (!CheckVersion(tree, version, refusal)) return false;
  const bool hasUpdater = std::any_of(build.begin(), build.end(), [](const BuildFile& f) { return f.name == kUpdaterName; });
  if (!hasUpdater) {
    *refusal = std::string("the build has no ") + kUpdaterName + ": every build must carry the updater";
    return false;
  }

  *plan = ReleasePlan{};
  plan->version = version;
  plan->firstNewVersion = tree.published ? tree.version + 1 : kFirstFetchedVersion;

  const std::map<std::string, const FullPatchRecord*> previous = PublishedBuild(tree);
  std::map<std::string, Digest>& digests = plan->digests;  // every name any list delivers
  for (const VersionHashRecord& record : tree.hashes) {
    Digest digest;
    std::memcpy(digest.bytes, record.digest, sizeof digest.bytes);
    digests.emplace(record.name, digest);
  }

  std::set<std::string> buildNames;
  for (const BuildFile& file : build) {
    buildNames.insert(AsciiLowercase(file.name));
    const std::string listName = ListName(file.name);
    const auto before = previous.find(WithBackslashes(listName));
    if (before != previous.end() && std::memcmp(before->second->digest, file.digest->bytes, 16) == 0) {
      plan->fullPatch.push_back(FullPatchEntry(listName, before->second->remotePath, *file.digest));
      ++plan->unchangedFiles;
      continue;
    }
    plan->copies.push_back({listName, file.path, file.digest});
    plan->list.push_back(listName);
  }

  for (const std::string& name : EverPublished(tree)) {
    if (buildNames.count(name) == 0) plan->removals.insert(name);
  }
  std::string removalsRemote;
  // A new list whenever the files to remove change, also when none remain: a
  // client that skips versions takes the newest list, which must not name a
  // file this build brings back.
  if (plan->removals != tree.removals.files || !tree.removals.folders.empty()) {
    plan->removeFilesText = RemoveListText(plan->removals);
    plan->list.push_back(kRemoveFilesName);
    digests[kRemoveFilesName] = DigestBytes(*plan->removeFilesText);
    removalsRemote = RemotePath(version, kRemoveFilesName);
  } else if (tree.removalsVersion != 0) {
    removalsRemote = RemotePath(tree.removalsVersion, kRemoveFilesName);
  }
  // A full download installs the removal list too, so that files of earlier
  // builds go at the next start as they do after a regular update.
  if (!plan->removals.empty()) {
    const auto digest = digests.find(kRemoveFilesName);
    if (digest == digests.end()) {
      *refusal = "VersionHash.inf has no digest for the published RemoveFiles.inf";
      return false;
    }
    plan->fullPatch.push_back(FullPatchEntry(kRemoveFilesName, removalsRemote, digest->second));
  }

  std::sort(plan->list.begin(), plan->list.end());
  return true;
}

void CompletePlan(ReleasePlan* plan) {
  for (const PlannedCopy& copy : plan->copies) {
    plan->digests[LookupName(copy.listName)] = *copy.digest;
    plan->fullPatch.push_back(FullPatchEntry(copy.listName, RemotePath(plan->version, copy.listName), *copy.digest));
  }
  std::sort(plan->fullPatch.begin(), plan->fullPatch.end(),
            [](const FullPatchRecord& a, const FullPatchRecord& b) { return a.installPath < b.installPath; });
  plan->hashes.clear();
  for (const auto& [name, digest] : plan->digests) {
    VersionHashRecord record;
    record.name = name;
    std::memcpy(record.digest, digest.bytes, sizeof record.digest);
    plan->hashes.push_back(std::move(record));
  }
}

}  // namespace zefo::publish
