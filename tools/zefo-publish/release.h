// `zefo-publish release`: publishes a launcher build as a new version.
//
// Signed (--sign), each manifest's signature "<name>.sig" is written and put
// in place before the manifest itself, and switched right before it.
//
// Order of writing, so that a client never meets a version before its files:
// the new version folders with their files and lists (no client looks there
// yet), then temporary copies of "VersionHash.inf", "FullPatchInfo.inf" and
// "VersionInfo.txt", then the switch: the three renamed into place one right
// after the other, "VersionInfo.txt" last. A release stopped before the
// switch leaves the old version (its leftovers are removed by the next
// release); one stopped inside the switch is finished by the next release.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace zefo::publish {

class SigningKey;

struct ReleaseRequest {
  std::filesystem::path root;
  std::filesystem::path build;
  std::int32_t version = 0;
  std::FILE* progressStream = nullptr;  // progress lines, when a terminal
  // Signs every manifest written ("<name>.sig"); not owned.
  const SigningKey* signingKey = nullptr;
  // The second line of "VersionInfo.txt" (signed releases only).
  std::optional<std::int64_t> expiresUtc = std::nullopt;
};

// Told of each change to ROOT just before it is made ("copy 104/a.dll").
using StepObserver = std::function<void(const std::string& step)>;

// Publishes the build; what was done goes to `log`. False with one sentence
// per reason in `errors` when the release was refused or failed; ROOT then
// still publishes the version it published before.
bool PublishRelease(const ReleaseRequest& request, const StepObserver& observer, std::ostream& log,
                    std::vector<std::string>* errors);

}  // namespace zefo::publish
