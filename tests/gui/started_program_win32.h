// Programs the GUI tests start, watch and end: the tested program by its
// process id, and whatever it started in its own folder (Toolhelp).
#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/gui/kernel_handle_win32.h"

namespace zefo::testing {

class StartedProgram {
 public:
  // Starts `program` in `folder`. Arguments are single words (no blanks or
  // quotes), passed as they are. Throws when the program cannot start.
  StartedProgram(const std::filesystem::path& program, const std::vector<std::wstring>& arguments,
                 const std::filesystem::path& folder);
  // Ends the program if it still runs.
  ~StartedProgram();
  StartedProgram(const StartedProgram&) = delete;
  StartedProgram& operator=(const StartedProgram&) = delete;

  DWORD id() const { return id_; }
  // The exit code once it has ended, waiting up to `limit`; nothing while it runs.
  std::optional<DWORD> WaitForEnd(std::chrono::milliseconds limit);
  bool Running() { return !WaitForEnd(std::chrono::milliseconds(0)); }

 private:
  KernelHandle process_;
  DWORD id_ = 0;
};

// Ends every process whose executable lies below `folder` and waits for each
// to go: the launchers a tested program started are no children of the test.
void EndProgramsBelow(const std::filesystem::path& folder);

// A path of the build machine (given to the test at build time) as Wine
// reaches it: "/a/b" becomes "Z:/a/b", so that it does not depend on the
// current drive.
std::filesystem::path HostPath(const std::string& unixPath);

}  // namespace zefo::testing
