#include "tools/zefo-publish/signature_rules.h"

#include "tools/zefo-publish/publish_names.h"
#include "tools/zefo-publish/signing_key.h"
#include "tools/zefo-publish/top_switch.h"

namespace zefo::publish {

namespace fs = std::filesystem;

namespace {

void CheckSignature(const fs::path& file, const std::string& shown, const ReleaseKey& key,
                    std::vector<std::string>* problems) {
  std::string bytes;
  if (!ReadFileBytes(file, &bytes)) return;  // a missing manifest is reported already
  std::string signature;
  if (!Exists(SignaturePath(file))) {
    problems->push_back(shown + kSignatureSuffix + " is missing");
  } else if (!ReadFileBytes(SignaturePath(file), &signature) || !SignatureMatches(key, bytes, signature)) {
    problems->push_back(shown + kSignatureSuffix + " does not verify with the public key (another key signed " +
                        shown + ", or it changed since)");
  }
}

}  // namespace

std::vector<std::string> FindSignatureProblems(const fs::path& root, const PublishedTree& tree, const ReleaseKey& key,
                                               std::int64_t nowUtc) {
  std::vector<std::string> problems;
  for (const char* name : {kVersionInfoName, kVersionHashName, kFullPatchName}) {
    CheckSignature(root / name, name, key, &problems);
  }
  for (const auto& [version, names] : tree.lists) {
    if (version < kFirstFetchedVersion) continue;  // no installation fetches it
    CheckSignature(VersionFolder(root, version) / kDownloadListName,
                   std::to_string(version) + "/" + kDownloadListName, key, &problems);
  }
  std::string info;
  if (ReadFileBytes(root / kVersionInfoName, &info)) {
    switch (VersionInfoExpiry(info, nowUtc)) {
      case ExpiryState::kExpired:
        problems.push_back("VersionInfo.txt has expired: signed updaters refuse the release; sign it anew with "
                           "zefo-publish resign ROOT --sign SECRET_KEY_FILE --expires DAYS");
        break;
      case ExpiryState::kUnreadable:
        problems.push_back("VersionInfo.txt's second line is not an expiry (expires=YYYY-MM-DDTHH:MM:SSZ): signed "
                           "updaters take the release as expired");
        break;
      case ExpiryState::kNone:
      case ExpiryState::kValid: break;
    }
  }
  return problems;
}

}  // namespace zefo::publish
