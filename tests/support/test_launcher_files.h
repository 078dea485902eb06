// The files of the test launcher (tests/app/test_launcher.cpp): its copy in a
// program folder with its "ZLauncher.conf", and the record it writes.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace zefo::testing {

struct LauncherRecord {
  long pid = 0;
  std::string folder;      // its working folder
  std::string executable;  // its own file
  std::vector<std::string> arguments;
};

// Copies the test launcher `program` to `target` (creating its folder) and
// writes `config` ("key=value" lines) as "ZLauncher.conf" beside it.
void InstallTestLauncher(const std::filesystem::path& program, const std::filesystem::path& target,
                         const std::string& config);

// The record "ZLauncher.record" once complete; nothing before.
std::optional<LauncherRecord> ReadLauncherRecord(const std::filesystem::path& file);

}  // namespace zefo::testing
