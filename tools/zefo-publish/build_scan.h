// The files of a launcher build: a folder laid out as the installed program
// folder.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tools/zefo-publish/file_digest.h"

namespace zefo::publish {

struct BuildFile {
  std::string name;  // below the build folder, '/' separated
  std::filesystem::path path;
  std::uint64_t size = 0;
  // Read only where it is needed before copying (DigestBuildFiles): a file
  // that is copied anyway is digested as it is copied, so read once.
  std::optional<Digest> digest;
};

// Every file below `folder`, sorted by name. Empty folders are not part of a
// build. False with `errors` (one sentence each) when the folder is missing or
// empty, or holds names the updater cannot handle.
bool ScanBuild(const std::filesystem::path& folder, std::vector<BuildFile>* files, std::vector<std::string>* errors);

// Reads the digest of each of `files`, showing progress; false with `errors`
// when one cannot be read.
bool DigestBuildFiles(const std::vector<BuildFile*>& files, std::FILE* progressStream,
                      std::vector<std::string>* errors);

}  // namespace zefo::publish
