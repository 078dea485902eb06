// `zefo-publish verify`: every rule the updater relies on, checked on ROOT.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace zefo::publish {

// The problems of ROOT, one sentence each; none when every rule holds.
std::vector<std::string> VerifyTree(const std::filesystem::path& root, std::FILE* progressStream);

}  // namespace zefo::publish
