// The files of a launcher build: a folder laid out as the installed program
// folder.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/zefo-publish/file_digest.h"

namespace zefo::publish {

struct BuildFile {
  std::string name;  // below the build folder, '/' separated
  std::filesystem::path path;
  std::uint64_t size = 0;
  Digest digest;
};

// Every file below `folder`, sorted by name, with its digest. Empty folders
// are not part of a build. False with `errors` (one sentence each) when the
// folder is missing or empty, or holds names the updater cannot handle.
bool ScanBuild(const std::filesystem::path& folder, std::FILE* progressStream, std::vector<BuildFile>* files,
               std::vector<std::string>* errors);

}  // namespace zefo::publish
