#include "tools/zefo-publish/show.h"

#include <system_error>

#include "tools/zefo-publish/published_tree.h"
#include "updater/sys/md5.h"

namespace zefo::publish {

namespace {

void ShowLists(const PublishedTree& tree, std::ostream& out) {
  for (const auto& [version, names] : tree.lists) {
    out << "version " << version << ": " << names.size() << " file(s)\n";
    for (const std::string& name : names) out << "  " << name << "\n";
  }
}

void ShowRemovals(const PublishedTree& tree, std::ostream& out) {
  if (tree.removalsVersion == 0) return;
  out << "RemoveFiles.inf (newest, from version " << tree.removalsVersion << "): " << tree.removals.files.size()
      << " file(s)\n";
  for (const std::string& name : tree.removals.files) out << "  file   " << name << "\n";
  for (const std::string& name : tree.removals.folders) out << "  folder " << name << "\n";
}

void ShowManifests(const PublishedTree& tree, std::ostream& out) {
  out << "VersionHash.inf: " << tree.hashes.size() << " record(s)\n";
  for (const VersionHashRecord& record : tree.hashes) {
    out << "  " << DigestToHex(record.digest) << "  " << record.name << "\n";
  }
  out << "FullPatchInfo.inf: " << tree.fullPatch.size() << " record(s)\n";
  for (const FullPatchRecord& record : tree.fullPatch) {
    out << "  " << record.digestText << "  " << record.installPath << " <- " << record.remotePath << "\n";
  }
}

}  // namespace

bool ShowTree(const std::filesystem::path& root, std::ostream& out) {
  std::error_code error;
  if (!std::filesystem::exists(root, error)) return false;
  const PublishedTree tree = ReadPublishedTree(root);
  if (tree.published) {
    out << "published version: " << tree.version << "\n";
  } else {
    out << "published version: none (no VersionInfo.txt)\n";
  }
  ShowLists(tree, out);
  ShowRemovals(tree, out);
  if (tree.published) ShowManifests(tree, out);
  for (std::int32_t version : tree.unfinishedVersions) out << "not published: version folder " << version << "\n";
  for (const std::string& name : tree.temporaryFiles) out << "not published: " << name << "\n";
  for (const std::string& problem : tree.problems) out << "problem: " << problem << "\n";
  return true;
}

}  // namespace zefo::publish
