// The program folders of the GUI tests: ending whatever a tested program
// started there (Toolhelp), and build-machine paths as Wine reaches them.
#pragma once

#include <filesystem>
#include <string>

namespace zefo::testing {

// Ends every process whose executable lies below `folder` and waits for each
// to go: the launchers a tested program started are no children of the test.
void EndProgramsBelow(const std::filesystem::path& folder);

// A path of the build machine (given to the test at build time) as Wine
// reaches it: "/a/b" becomes "Z:/a/b", so that it does not depend on the
// current drive.
std::filesystem::path HostPath(const std::string& unixPath);

}  // namespace zefo::testing
