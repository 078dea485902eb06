#include "tools/zefo-publish/verify.h"

#include <system_error>

#include "tools/zefo-publish/published_tree.h"
#include "tools/zefo-publish/signature_rules.h"
#include "tools/zefo-publish/tree_rules.h"

namespace zefo::publish {

std::vector<std::string> VerifyTree(const std::filesystem::path& root, std::FILE* progressStream,
                                    const std::optional<ReleaseKey>& publicKey, std::int64_t nowUtc) {
  std::error_code error;
  if (!std::filesystem::exists(root, error)) return {root.u8string() + " does not exist"};
  const PublishedTree tree = ReadPublishedTree(root);
  std::vector<std::string> problems;
  if (!tree.published) problems.push_back("nothing is published: VersionInfo.txt is missing");
  problems.insert(problems.end(), tree.problems.begin(), tree.problems.end());
  if (tree.published) {
    for (std::string& problem : FindTreeProblems(root, tree, true, progressStream)) {
      problems.push_back(std::move(problem));
    }
    if (publicKey) {
      for (std::string& problem : FindSignatureProblems(root, tree, *publicKey, nowUtc)) {
        problems.push_back(std::move(problem));
      }
    }
  }
  for (std::string& line : DescribeLeftovers(tree)) problems.push_back(std::move(line));
  return problems;
}

}  // namespace zefo::publish
