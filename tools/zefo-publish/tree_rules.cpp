#include "tools/zefo-publish/tree_rules.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <system_error>

#include "tools/zefo-publish/file_digest.h"
#include "tools/zefo-publish/publish_names.h"

namespace zefo::publish {

namespace fs = std::filesystem;

namespace {

struct FileToProve {
  fs::path path;
  std::string shown;   // as problems name it
  Digest expected;
  std::string source;  // the manifest that gives `expected`
};

class RuleChecker {
 public:
  RuleChecker(const fs::path& root, const PublishedTree& tree) : root_(root), tree_(tree) {}

  std::vector<std::string> Check(bool readContent, std::FILE* progressStream) {
    CheckLists();
    CheckFullPatch();
    CheckRemovals();
    if (readContent) ProveFiles(progressStream);
    return std::move(problems_);
  }

 private:
  void Problem(std::string text) { problems_.push_back(std::move(text)); }

  bool IsFile(const fs::path& path) const {
    std::error_code error;
    return fs::is_regular_file(path, error);
  }

  void CheckLists() {
    const auto digests = DigestTable(tree_);
    const auto newest = NewestListings(tree_);
    for (const auto& [version, names] : tree_.lists) {
      const std::string folder = std::to_string(version) + "/";
      for (const std::string& name : names) {
        if (!IsPrintableAscii(name)) {
          Problem(folder + "download_info.txt lists a name that is not printable ASCII");
          continue;
        }
        if (!IsContainedRelativePath(name)) {
          Problem(folder + "download_info.txt lists \"" + name + "\", which leaves the version folder");
          continue;
        }
        const fs::path path = PublishedFile(root_, version, name);
        if (!IsFile(path)) {
          Problem(folder + name + " is listed by " + folder + "download_info.txt but missing");
          continue;
        }
        if (newest.at(name) != version) continue;  // clients fetch the newest listing only
        const auto digest = digests.find(LookupName(name));
        if (digest == digests.end()) {
          Problem("VersionHash.inf has no digest for " + folder + name + " (looked up as \"" + LookupName(name) +
                  "\")");
          continue;
        }
        Prove(path, folder + name, digest->second->digest, "VersionHash.inf");
      }
    }
  }

  void CheckFullPatch() {
    const auto newest = NewestListings(tree_);
    const auto digests = DigestTable(tree_);
    for (const FullPatchRecord& record : tree_.fullPatch) {
      if (!IsPrintableAscii(record.installPath) || !IsPrintableAscii(record.remotePath)) {
        Problem("FullPatchInfo.inf holds a path that is not printable ASCII");
        continue;
      }
      const std::string shown = "FullPatchInfo.inf: " + record.installPath + " <- " + record.remotePath;
      if (!IsContainedRelativePath(record.installPath)) {
        Problem(shown + ": the install path leaves the program folder");
      }
      if (!IsContainedRelativePath(record.remotePath)) {
        Problem(shown + ": the remote path leaves the tree");
        continue;
      }
      const fs::path path = root_ / fs::u8path(record.remotePath);
      if (!IsFile(path)) {
        Problem(shown + ": the remote file is missing");
        continue;
      }
      Prove(path, record.remotePath, record.digest, "FullPatchInfo.inf");
      CheckAgainstLists(record, newest, digests, shown);
    }
  }

  // A full download must install what the regular update installs: the
  // newest listing of each file, with the same digest.
  void CheckAgainstLists(const FullPatchRecord& record, const std::map<std::string, std::int32_t>& newest,
                         const std::map<std::string, const VersionHashRecord*>& digests, const std::string& shown) {
    const std::size_t slash = record.remotePath.find('/');
    std::int32_t version = 0;
    if (slash == std::string::npos || !ParseVersionNumber(record.remotePath.substr(0, slash), &version)) return;
    const std::string name = record.remotePath.substr(slash + 1);
    const auto listed = newest.find(name);
    if (listed == newest.end()) return;
    if (listed->second > version) {
      Problem(shown + ": version " + std::to_string(listed->second) + " publishes a newer one");
      return;
    }
    const auto digest = digests.find(LookupName(name));
    if (listed->second == version && digest != digests.end() &&
        std::memcmp(digest->second->digest, record.digest, sizeof record.digest) != 0) {
      Problem(shown + ": its digest differs from the one in VersionHash.inf");
    }
  }

  void CheckRemovals() {
    std::set<std::string> buildFiles;
    for (const FullPatchRecord& record : tree_.fullPatch) {
      // A path that is not printable ASCII is reported by CheckFullPatch.
      if (!IsPrintableAscii(record.installPath)) continue;
      std::string name = AsciiLowercase(record.installPath);
      std::replace(name.begin(), name.end(), '\\', '/');
      buildFiles.insert(name);
      if (name == AsciiLowercase(kNewUpdaterName)) buildFiles.insert(AsciiLowercase(kUpdaterName));
    }
    const std::string where = std::to_string(tree_.removalsVersion) + "/RemoveFiles.inf";
    // An entry is shown only when it is printable: a damaged manifest must
    // not write control characters (a carriage return, a terminal's escape
    // sequences) into the report.
    for (const auto* entries : {&tree_.removals.files, &tree_.removals.folders}) {
      for (const std::string& entry : *entries) {
        if (!IsPrintableAscii(entry)) {
          Problem(where + " names an entry that is not printable ASCII");
        } else if (!IsContainedRelativePath(entry)) {
          Problem(where + " names \"" + entry + "\", outside the program folder");
        }
      }
    }
    for (const std::string& entry : tree_.removals.files) {
      if (!IsPrintableAscii(entry)) continue;
      std::string name = entry;
      std::replace(name.begin(), name.end(), '\\', '/');
      if (buildFiles.count(name) != 0) Problem(where + " removes " + entry + ", a file of the published build");
    }
    for (const std::string& entry : tree_.removals.folders) {
      if (!IsPrintableAscii(entry)) continue;
      std::string folder = entry;
      std::replace(folder.begin(), folder.end(), '\\', '/');
      if (!folder.empty() && folder.back() != '/') folder += '/';
      for (const std::string& file : buildFiles) {
        if (file.compare(0, folder.size(), folder) == 0) {
          Problem(where + " removes the folder " + entry + ", which holds " + file + " of the published build");
          break;
        }
      }
    }
  }

  void Prove(const fs::path& path, const std::string& shown, const unsigned char digest[16], const char* source) {
    FileToProve file{path, shown, {}, source};
    std::memcpy(file.expected.bytes, digest, sizeof file.expected.bytes);
    toProve_.push_back(std::move(file));
  }

  void ProveFiles(std::FILE* progressStream) {
    std::uint64_t total = 0;
    std::set<fs::path> counted;
    for (const FileToProve& file : toProve_) {
      std::error_code error;
      const auto size = fs::file_size(file.path, error);
      if (!error && counted.insert(file.path).second) total += size;
    }
    Progress progress(progressStream, "proving digests", total);
    std::map<fs::path, Digest> digests;  // a file named by both manifests is read once
    for (const FileToProve& file : toProve_) {
      auto known = digests.find(file.path);
      if (known == digests.end()) {
        Digest actual;
        if (!DigestFile(file.path, &actual, &progress)) {
          Problem(file.shown + " cannot be read");
          continue;
        }
        known = digests.emplace(file.path, actual).first;
      }
      if (known->second != file.expected) {
        Problem(file.shown + ": its bytes (" + known->second.Text() + ") do not match the digest in " + file.source +
                " (" + file.expected.Text() + ")");
      }
    }
  }

  const fs::path& root_;
  const PublishedTree& tree_;
  std::vector<std::string> problems_;
  std::vector<FileToProve> toProve_;
};

}  // namespace

std::vector<std::string> FindTreeProblems(const fs::path& root, const PublishedTree& tree, bool readContent,
                                          std::FILE* progressStream) {
  return RuleChecker(root, tree).Check(readContent, progressStream);
}

std::vector<std::string> DescribeLeftovers(const PublishedTree& tree) {
  std::vector<std::string> lines;
  for (std::int32_t version : tree.unfinishedVersions) {
    lines.push_back("version folder " + std::to_string(version) +
                    " is not published (left by an unfinished release; the next release removes it)");
  }
  for (const std::string& name : tree.temporaryFiles) {
    lines.push_back(name + " is left by an unfinished release (the next release finishes or removes it)");
  }
  return lines;
}

}  // namespace zefo::publish
