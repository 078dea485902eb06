// A program the test starts as its own child and watches: whether it runs and
// how it ended. Ended and reaped when the object goes, if it still runs.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zefo::testing {

// The end code of a killed program: SIGKILL on Linux, the exit code that
// TerminateProcess is given on Windows.
constexpr int kKilledEndCode = 9;

class ChildProgram {
 public:
  // Starts `program` with `arguments` in the working folder `folder`; throws
  // when it cannot start. Windows passes the arguments unquoted, so they must
  // be single words there (no blanks or quotes).
  ChildProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
               const std::filesystem::path& folder);
  ~ChildProgram();
  ChildProgram(const ChildProgram&) = delete;
  ChildProgram& operator=(const ChildProgram&) = delete;

  // The process id (Linux: the pid).
  unsigned long id() const;
  bool Running();
  // How it ended (Linux: the signal, or 256 + the exit status; Windows: the
  // exit code), waiting up to `limit`; nothing while it still runs.
  std::optional<int> WaitForEnd(std::chrono::milliseconds limit);

 private:
  struct Platform;
  std::unique_ptr<Platform> platform_;
};

}  // namespace zefo::testing
