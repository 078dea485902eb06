#include "tools/zefo-publish/release.h"

#include <algorithm>
#include <iterator>
#include <set>
#include <system_error>

#include "tools/zefo-publish/build_scan.h"
#include "tools/zefo-publish/platform.h"
#include "tools/zefo-publish/publish_names.h"
#include "tools/zefo-publish/published_tree.h"
#include "tools/zefo-publish/release_plan.h"
#include "tools/zefo-publish/signing_key.h"
#include "tools/zefo-publish/top_switch.h"
#include "tools/zefo-publish/tree_rules.h"
#include "updater/engine/formats/manifest_formats.h"

namespace zefo::publish {

namespace fs = std::filesystem;

namespace {

// True when one folder is the other or lies inside it.
bool Overlap(const fs::path& a, const fs::path& b) {
  std::error_code error;
  const fs::path first = fs::weakly_canonical(fs::absolute(a, error), error);
  const fs::path second = fs::weakly_canonical(fs::absolute(b, error), error);
  auto x = first.begin();
  auto y = second.begin();
  for (; x != first.end() && y != second.end(); ++x, ++y) {
    if (x->empty() || y->empty()) return true;  // a trailing separator: one path ends here
    if (*x != *y) return false;
  }
  return true;
}

class ReleaseWriter {
 public:
  ReleaseWriter(const ReleaseRequest& request, ReleasePlan& plan, const StepObserver& observer,
                std::vector<std::string>* errors)
      : request_(request), root_(request.root), plan_(plan), observer_(observer), errors_(errors) {}

  bool Write(const PublishedTree& tree) {
    if (!PrepareRoot(tree) || !WriteVersionFolders() || !WriteTemporaryManifests()) {
      Undo();
      return false;
    }
    return Switch();
  }

 private:
  void Step(const std::string& step) {
    if (observer_) observer_(step);
  }

  bool Fail(std::string error) {
    errors_->push_back(std::move(error));
    return false;
  }

  bool PrepareRoot(const PublishedTree& tree) {
    std::error_code error;
    if (!Exists(root_)) {
      Step("create " + root_.u8string());
      if (!fs::create_directories(root_, error)) return Fail("cannot create " + root_.u8string());
      createdRoot_ = true;
    }
    for (const std::string& name : LeftoverRemovalOrder(tree.temporaryFiles)) {
      Step("remove leftover " + name);
      if (!fs::remove(root_ / fs::u8path(name), error)) return Fail("cannot remove the leftover " + name);
    }
    for (std::int32_t version : tree.unfinishedVersions) {
      Step("remove leftover " + std::to_string(version) + "/");
      if (fs::remove_all(VersionFolder(root_, version), error) == static_cast<std::uintmax_t>(-1)) {
        return Fail("cannot remove the leftover version folder " + std::to_string(version));
      }
    }
    return true;
  }

  // Writes through a temporary name so that a file never shows half written.
  bool WriteFile(const fs::path& path, const std::string& shown, const std::function<bool(std::FILE*)>& write,
                 bool rename) {
    Step("write " + shown + (rename ? "" : kTemporarySuffix));
    const fs::path temp = Temporary(path);
    FileHandle file = OpenFile(temp, "wb");
    if (!file) return Fail("cannot create " + temp.u8string());
    if (!write(file.get()) || std::fclose(file.release()) != 0) return Fail("cannot write " + temp.u8string());
    // The signature is in place before the file it signs.
    if (request_.signingKey != nullptr && !WriteSignature(path, shown, rename)) return false;
    if (rename && !RenameOver(temp, path)) return Fail("cannot rename " + temp.u8string());
    Written(rename ? path : temp);
    return true;
  }

  // The signature of the bytes just written to the temporary `path`.
  bool WriteSignature(const fs::path& path, const std::string& shown, bool rename) {
    std::string bytes;
    if (!ReadFileBytes(Temporary(path), &bytes)) return Fail("cannot read back " + Temporary(path).u8string());
    const std::string signature = request_.signingKey->Sign(bytes);
    const fs::path signaturePath = SignaturePath(path);
    const fs::path temp = Temporary(signaturePath);
    Step("write " + shown + kSignatureSuffix + (rename ? "" : kTemporarySuffix));
    FileHandle file = OpenFile(temp, "wb");
    if (!file) return Fail("cannot create " + temp.u8string());
    if (std::fwrite(signature.data(), 1, signature.size(), file.get()) != signature.size() ||
        std::fclose(file.release()) != 0) {
      return Fail("cannot write " + temp.u8string());
    }
    if (rename && !RenameOver(temp, signaturePath)) return Fail("cannot rename " + temp.u8string());
    Written(rename ? signaturePath : temp);
    return true;
  }

  void Written(const fs::path& path) {
    unsynced_.push_back(path);
    foldersToSync_.insert(path.parent_path());
  }

  // Everything written so far reaches the disk before anything that names it
  // is written: the version folders before the top manifests, and those before
  // the switch. One batch, as a flush per file costs more than the copying.
  bool SyncWritten() {
    Step("flush to disk");
    unsynced_.insert(unsynced_.end(), foldersToSync_.begin(), foldersToSync_.end());
    if (!SyncAll(unsynced_)) return Fail("cannot flush the files written below " + root_.u8string() + " to disk");
    unsynced_.clear();
    foldersToSync_.clear();
    return true;
  }

  bool WriteList(std::int32_t version, const std::vector<std::string>& names) {
    const std::string shown = std::to_string(version) + "/" + kDownloadListName;
    return WriteFile(VersionFolder(root_, version) / kDownloadListName, shown,
                     [&](std::FILE* file) { return WriteDownloadList(file, names); }, true);
  }

  bool CopyBuildFiles() {
    std::uint64_t total = 0;
    for (const PlannedCopy& copy : plan_.copies) {
      std::error_code error;
      total += fs::file_size(copy.source, error);
    }
    Progress progress(request_.progressStream, "copying files", total);
    for (PlannedCopy& copy : plan_.copies) {
      const std::string shown = std::to_string(plan_.version) + "/" + copy.listName;
      const fs::path target = PublishedFile(root_, plan_.version, copy.listName);
      std::error_code error;
      fs::create_directories(target.parent_path(), error);
      Step("copy " + shown);
      Digest written;
      std::string copyError;
      if (!CopyFileWithDigest(copy.source, Temporary(target), &written, &progress, &copyError)) {
        return Fail(copyError);
      }
      // A file read before copying must still be what was read.
      if (copy.digest && written != *copy.digest) {
        return Fail(copy.source.u8string() + " changed while it was being published");
      }
      copy.digest = written;
      if (!RenameOver(Temporary(target), target)) return Fail("cannot rename " + Temporary(target).u8string());
      Written(target);
    }
    CompletePlan(&plan_);
    return true;
  }

  bool WriteVersionFolders() {
    // 64 bits, so that the loop ends after version INT32_MAX.
    for (std::int64_t next = plan_.firstNewVersion; next <= plan_.version; ++next) {
      const auto v = static_cast<std::int32_t>(next);
      Step("create " + std::to_string(v) + "/");
      std::error_code error;
      if (!fs::create_directory(VersionFolder(root_, v), error)) {
        return Fail("cannot create the version folder " + std::to_string(v));
      }
      createdFolders_.push_back(v);
      if (v < plan_.version && !WriteList(v, {})) return false;
    }
    if (!CopyBuildFiles()) return false;
    if (plan_.removeFilesText) {
      const std::string shown = std::to_string(plan_.version) + "/" + kRemoveFilesName;
      const std::string& text = *plan_.removeFilesText;
      if (!WriteFile(PublishedFile(root_, plan_.version, kRemoveFilesName), shown,
                     [&](std::FILE* file) { return std::fwrite(text.data(), 1, text.size(), file) == text.size(); },
                     true)) {
        return false;
      }
    }
    return WriteList(plan_.version, plan_.list) && SyncWritten();
  }

  bool WriteTemporaryManifests() {
    return WriteFile(root_ / kVersionHashName, kVersionHashName,
                     [&](std::FILE* file) { return WriteVersionHashFile(file, plan_.hashes); }, false) &&
           WriteFile(root_ / kFullPatchName, kFullPatchName,
                     [&](std::FILE* file) { return WriteFullPatchFile(file, plan_.fullPatch); }, false) &&
           WriteFile(root_ / kVersionInfoName, kVersionInfoName,
                     [&](std::FILE* file) {
                       const std::string text = VersionInfoText(plan_.version, request_.expiresUtc);
                       return std::fwrite(text.data(), 1, text.size(), file) == text.size();
                     },
                     false) &&
           SyncWritten();
  }

  // Nothing a client reads has changed yet: the new version folders and the
  // temporary files go.
  void Undo() {
    std::error_code error;
    for (auto it = std::rbegin(kSwitchedFiles); it != std::rend(kSwitchedFiles); ++it) {
      fs::remove(Temporary(root_ / *it), error);  // in reverse, as PrepareRoot explains
    }
    for (std::int32_t version : createdFolders_) fs::remove_all(VersionFolder(root_, version), error);
    if (createdRoot_) fs::remove(root_, error);
    errors_->push_back("nothing was published; ROOT still publishes what it did before");
  }

  bool Switch() {
    Step("switch to version " + std::to_string(plan_.version));
    bool first = true;
    for (const std::string& name : kSwitchedFiles) {
      if (request_.signingKey == nullptr && IsSignatureName(name)) continue;
      if (!RenameOver(Temporary(root_ / name), root_ / name)) {
        if (first) {
          Fail(std::string("cannot rename the temporary ") + name);
          Undo();
          return false;
        }
        return Fail(std::string("cannot rename the temporary ") + name + "; clients may see a mix of versions " +
                    "until the next release finishes the switch");
      }
      first = false;
    }
    SyncFolder(root_);
    return true;
  }

  const ReleaseRequest& request_;
  const fs::path& root_;
  ReleasePlan& plan_;
  const StepObserver& observer_;
  std::vector<std::string>* errors_;
  std::vector<std::int32_t> createdFolders_;
  std::vector<fs::path> unsynced_;
  std::set<fs::path> foldersToSync_;
  bool createdRoot_ = false;
};

// A signed ROOT stays signed by one key: an unsigned release, or one signed
// with another key, would make every signed updater refuse it.
bool CheckSigningState(const ReleaseRequest& request, const PublishedTree& tree, std::vector<std::string>* errors) {
  const fs::path info = request.root / kVersionInfoName;
  if (!tree.published || !Exists(SignaturePath(info))) return true;
  if (request.signingKey == nullptr) {
    errors->push_back("ROOT is signed (VersionInfo.txt.sig exists): publish with --sign SECRET_KEY_FILE");
    return false;
  }
  std::string bytes;
  std::string signature;
  if (!ReadFileBytes(info, &bytes) || !ReadFileBytes(SignaturePath(info), &signature) ||
      !SignatureMatches(request.signingKey->publicKey(), bytes, signature)) {
    errors->push_back("VersionInfo.txt.sig does not verify with this key (another key signed ROOT, or the file "
                      "changed since); check ROOT, then sign it anew with zefo-publish resign");
    return false;
  }
  return true;
}

void SummariseSigning(const ReleaseRequest& request, const PublishedTree& tree, std::ostream& log) {
  log << "signed every manifest written";
  if (request.expiresUtc) log << "; VersionInfo.txt " << FormatExpiryLine(*request.expiresUtc);
  log << "\n";
  // Lists published before the tree was signed: a signed updater fetches them too.
  int unsignedLists = 0;
  for (const auto& [version, names] : tree.lists) {
    if (version >= kFirstFetchedVersion && !Exists(SignaturePath(VersionFolder(request.root, version) / kDownloadListName))) {
      ++unsignedLists;
    }
  }
  if (unsignedLists > 0) {
    log << unsignedLists << " earlier version list(s) have no signature, and signed updaters refuse them: "
        << "sign them with zefo-publish resign ROOT --sign SECRET_KEY_FILE\n";
  }
}

void Summarise(const ReleasePlan& plan, std::ostream& log) {
  log << "published version " << plan.version << ": " << plan.copies.size() << " new or changed file(s), "
      << plan.unchangedFiles << " unchanged\n";
  for (const std::string& name : plan.list) log << "  " << plan.version << "/" << name << "\n";
  if (plan.firstNewVersion + 1 == plan.version) {
    log << "an empty list for version " << plan.firstNewVersion;
  } else if (plan.firstNewVersion < plan.version) {
    log << "empty lists for versions " << plan.firstNewVersion << " to " << plan.version - 1;
  }
  if (plan.firstNewVersion < plan.version) {
    log << " (installations fetch the list of every version above their own)\n";
  }
  if (plan.removeFilesText) {
    log << "RemoveFiles.inf now removes " << plan.removals.size() << " file(s) of earlier builds\n";
  }
}

}  // namespace

bool PublishRelease(const ReleaseRequest& request, const StepObserver& observer, std::ostream& log,
                    std::vector<std::string>* errors) {
  if (Exists(request.root) && !FinishInterruptedSwitch(request.root, log, errors)) return false;

  const PublishedTree tree = ReadPublishedTree(request.root);
  std::vector<std::string> problems = tree.problems;
  for (std::string& problem : FindTreeProblems(request.root, tree, false, nullptr)) {
    problems.push_back(std::move(problem));
  }
  if (!problems.empty()) {
    for (std::string& problem : problems) errors->push_back(std::move(problem));
    errors->push_back("ROOT is not consistent; mend it before publishing (zefo-publish verify lists the problems)");
    return false;
  }

  if (!CheckSigningState(request, tree, errors)) return false;
  if (Overlap(request.root, request.build)) {
    errors->push_back("ROOT and BUILD_DIR must not lie inside one another");
    return false;
  }
  std::vector<BuildFile> build;
  if (!ScanBuild(request.build, &build, errors) ||
      !DigestBuildFiles(FilesPublishedBefore(tree, &build), request.progressStream, errors)) {
    return false;
  }

  ReleasePlan plan;
  std::string refusal;
  if (!PlanRelease(tree, build, request.version, &plan, &refusal)) {
    errors->push_back(refusal);
    return false;
  }
  if (!ReleaseWriter(request, plan, observer, errors).Write(tree)) return false;
  Summarise(plan, log);
  if (request.signingKey != nullptr) SummariseSigning(request, tree, log);
  return true;
}

}  // namespace zefo::publish
