// A program run by an end-to-end test: its arguments, working folder and
// environment; standard input from a pipe the test writes to (or nothing);
// standard output and error into a file. Killed and reaped when the object
// goes, if it still runs.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zefo::testing {

struct ChildOptions {
  std::filesystem::path folder;                    // working folder; empty: the test's own
  std::map<std::string, std::string> environment;  // added to (or replacing in) the test's own
  bool inputPipe = false;                          // false: standard input is /dev/null
  std::filesystem::path outputFile;                // empty: output goes to /dev/null
};

// How a child ended.
struct ChildExit {
  bool exited = false;  // false: ended by a signal
  int code = 0;         // exit status, or the signal
};

class ChildProcess {
 public:
  ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
               const ChildOptions& options);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }
  void Write(const std::string& text);
  void CloseInput();
  // Waits up to `limit` for the end; nothing when it still runs then.
  std::optional<ChildExit> Wait(std::chrono::milliseconds limit);
  bool Running();

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  std::optional<ChildExit> exit_;
};

// Runs a program to its end (killed after `limit`) and returns its output.
struct RunResult {
  std::optional<ChildExit> exit;  // nothing: killed after the limit
  std::string output;
};
RunResult RunToEnd(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                   const std::map<std::string, std::string>& environment, std::chrono::milliseconds limit);

void SleepBriefly();

// Polls until `condition` holds or `limit` passes; the result of the last check.
template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return condition();
    SleepBriefly();
  }
  return true;
}

}  // namespace zefo::testing
