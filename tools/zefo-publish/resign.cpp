#include "tools/zefo-publish/resign.h"

#include <system_error>

#include "tools/zefo-publish/platform.h"
#include "tools/zefo-publish/publish_names.h"
#include "tools/zefo-publish/published_tree.h"
#include "tools/zefo-publish/signing_key.h"
#include "tools/zefo-publish/top_switch.h"
#include "tools/zefo-publish/tree_rules.h"

namespace zefo::publish {

namespace fs = std::filesystem;

namespace {

class Resigner {
 public:
  Resigner(const ResignRequest& request, std::ostream& log, std::vector<std::string>* errors)
      : request_(request), root_(request.root), log_(log), errors_(errors) {}

  bool Run(const PublishedTree& tree) {
    return SignLists(tree) && WriteTemporaries(tree.version) && Switch();
  }

 private:
  bool Fail(std::string error) {
    errors_->push_back(std::move(error));
    return false;
  }

  // Written in full and flushed under the temporary name.
  bool WriteTemporary(const fs::path& path, const std::string& bytes) {
    const fs::path temp = Temporary(path);
    FileHandle file = OpenFile(temp, "wb");
    if (!file) return Fail("cannot create " + temp.u8string());
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size() || !SyncFile(file.get()) ||
        std::fclose(file.release()) != 0) {
      return Fail("cannot write " + temp.u8string());
    }
    return true;
  }

  bool SignatureHolds(const std::string& bytes, const fs::path& signaturePath) const {
    std::string signature;
    return ReadFileBytes(signaturePath, &signature) &&
           SignatureMatches(request_.signingKey->publicKey(), bytes, signature);
  }

  // Lists are never rewritten, so their signatures go straight into place.
  bool SignLists(const PublishedTree& tree) {
    for (const auto& [version, names] : tree.lists) {
      if (version < kFirstFetchedVersion) continue;  // no installation fetches it
      const fs::path list = VersionFolder(root_, version) / kDownloadListName;
      const std::string shown = std::to_string(version) + "/" + kDownloadListName;
      std::string bytes;
      if (!ReadFileBytes(list, &bytes)) return Fail("cannot read " + shown);
      const fs::path signaturePath = SignaturePath(list);
      if (SignatureHolds(bytes, signaturePath)) continue;
      if (!WriteTemporary(signaturePath, request_.signingKey->Sign(bytes)) ||
          !RenameOver(Temporary(signaturePath), signaturePath) || !SyncFolder(list.parent_path())) {
        return Fail("cannot write " + shown + kSignatureSuffix);
      }
      log_ << "signed " << shown << "\n";
    }
    return true;
  }

  // "VersionInfo.txt" last, so that its temporary file means all are complete.
  bool WriteTemporaries(std::int32_t version) {
    for (const char* name : {kVersionHashName, kFullPatchName}) {
      std::string bytes;
      if (!ReadFileBytes(root_ / name, &bytes)) return Undo(std::string("cannot read ") + name);
      if (!WriteTemporary(SignaturePath(root_ / name), request_.signingKey->Sign(bytes))) return Undo("");
    }
    info_ = VersionInfoText(version, request_.expiresUtc);
    if (!WriteTemporary(SignaturePath(root_ / kVersionInfoName), request_.signingKey->Sign(info_)) ||
        !WriteTemporary(root_ / kVersionInfoName, info_)) {
      return Undo("");
    }
    if (!SyncFolder(root_)) return Undo("cannot flush " + root_.u8string() + " to disk");
    return true;
  }

  bool Undo(const std::string& error) {
    if (!error.empty()) errors_->push_back(error);
    std::error_code ignored;
    for (auto it = std::rbegin(kSwitchedFiles); it != std::rend(kSwitchedFiles); ++it) {
      fs::remove(Temporary(root_ / *it), ignored);
    }
    errors_->push_back("nothing was re-signed at the top of ROOT");
    return false;
  }

  bool Switch() {
    for (const std::string& name : kSwitchedFiles) {
      const fs::path temp = Temporary(root_ / name);
      if (Exists(temp) && !RenameOver(temp, root_ / name)) {
        return Fail("cannot rename " + temp.u8string() + "; the next release or resign finishes the switch");
      }
    }
    SyncFolder(root_);
    log_ << "signed VersionHash.inf, FullPatchInfo.inf and VersionInfo.txt";
    const std::size_t lineEnd = info_.find('\n');
    if (lineEnd + 1 < info_.size()) {
      log_ << " (" << info_.substr(lineEnd + 1, info_.size() - lineEnd - 2) << ")\n";
    } else {
      log_ << " (no expiry)\n";
    }
    return true;
  }

  const ResignRequest& request_;
  const fs::path& root_;
  std::ostream& log_;
  std::vector<std::string>* errors_;
  std::string info_;
};

}  // namespace

bool ResignTree(const ResignRequest& request, std::ostream& log, std::vector<std::string>* errors) {
  if (!Exists(request.root)) {
    errors->push_back(request.root.u8string() + " does not exist");
    return false;
  }
  if (!FinishInterruptedSwitch(request.root, log, errors)) return false;
  const PublishedTree tree = ReadPublishedTree(request.root);
  if (!tree.published) {
    errors->push_back("nothing is published: VersionInfo.txt is missing");
    return false;
  }
  // A signature vouches for what it signs: never for a damaged tree.
  std::vector<std::string> problems = tree.problems;
  for (std::string& problem : FindTreeProblems(request.root, tree, false, nullptr)) {
    problems.push_back(std::move(problem));
  }
  if (!problems.empty()) {
    for (std::string& problem : problems) errors->push_back(std::move(problem));
    errors->push_back("ROOT is not consistent; mend it before signing (zefo-publish verify lists the problems)");
    return false;
  }
  // What a run stopped before its switch left at the top goes first.
  for (const std::string& name : LeftoverRemovalOrder(tree.temporaryFiles)) {
    std::error_code error;
    if (!fs::remove(request.root / fs::u8path(name), error)) {
      errors->push_back("cannot remove the leftover " + name);
      return false;
    }
    log << "removed the leftover " << name << "\n";
  }
  return Resigner(request, log, errors).Run(tree);
}

}  // namespace zefo::publish
