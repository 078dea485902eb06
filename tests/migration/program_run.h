// Runs a program of the build to its end, with a bound on the wait.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace zefo::testing {

struct ProgramResult {
  int exitCode = -1;  // -1 when it did not end by itself in time (it is killed)
  std::string output; // standard output
  std::chrono::steady_clock::duration elapsed{};
};

// Starts `program` with `arguments` and the test's environment, and waits
// at most `limit` for it to end.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         std::chrono::seconds limit);

}  // namespace zefo::testing
