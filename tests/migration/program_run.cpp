#include "tests/migration/program_run.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace zefo::testing {
namespace {

class Pipe {
 public:
  Pipe() {
    if (pipe(fds_) != 0) fds_[0] = fds_[1] = -1;
  }
  ~Pipe() {
    CloseRead();
    CloseWrite();
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  int read() const { return fds_[0]; }
  int write() const { return fds_[1]; }
  void CloseRead() { Close(&fds_[0]); }
  void CloseWrite() { Close(&fds_[1]); }

 private:
  static void Close(int* fd) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
  }
  int fds_[2];
};

}  // namespace

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         std::chrono::seconds limit) {
  ProgramResult result;
  Pipe out;
  if (out.read() < 0) return result;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out.write(), STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out.read());

  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return result;
  out.CloseWrite();

  const auto deadline = start + limit;
  bool timedOut = false;
  char block[4096];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      timedOut = true;
      break;
    }
    pollfd ready{out.read(), POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(left.count())) <= 0) continue;
    const ssize_t got = ::read(out.read(), block, sizeof block);
    if (got <= 0) break;
    result.output.append(block, static_cast<std::size_t>(got));
  }
  int status = 0;
  while (!timedOut && waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() >= deadline) {
      timedOut = true;
    } else {
      usleep(10000);
    }
  }
  if (timedOut) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
  result.elapsed = std::chrono::steady_clock::now() - start;
  if (!timedOut && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  return result;
}

}  // namespace zefo::testing
