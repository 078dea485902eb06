// `zefo-publish resign`: signs a published tree anew without publishing a
// build: the top files ("VersionInfo.txt" with a new expiry, the signatures of
// the two digest manifests) and every version list whose signature is
// missing or not this key's (a tree signed for the first time, or a new key).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace zefo::publish {

class SigningKey;

struct ResignRequest {
  std::filesystem::path root;
  const SigningKey* signingKey = nullptr;  // not owned
  std::optional<std::int64_t> expiresUtc = std::nullopt;  // none: "VersionInfo.txt" without expiry
};

// What was signed goes to `log`. False with one sentence per reason in
// `errors` when refused or failed; the switched files are then unchanged.
bool ResignTree(const ResignRequest& request, std::ostream& log, std::vector<std::string>* errors);

}  // namespace zefo::publish
