#include "tests/support/child_program.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <thread>

namespace zefo::testing {

struct ChildProgram::Platform {
  pid_t pid = 0;
  std::optional<int> end;
};

ChildProgram::ChildProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                           const std::filesystem::path& folder)
    : platform_(std::make_unique<Platform>()) {
  std::vector<std::string> all = {program.filename().string()};
  all.insert(all.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  const std::string path = program.string();
  const std::string workFolder = folder.string();
  platform_->pid = fork();
  if (platform_->pid == 0) {
    if (chdir(workFolder.c_str()) == 0) execv(path.c_str(), argv.data());
    _exit(127);
  }
  if (platform_->pid < 0) throw std::runtime_error("cannot start " + path);
}

ChildProgram::~ChildProgram() {
  if (Running()) {
    kill(platform_->pid, SIGKILL);
    waitpid(platform_->pid, nullptr, 0);
  }
}

unsigned long ChildProgram::id() const { return static_cast<unsigned long>(platform_->pid); }

bool ChildProgram::Running() { return !WaitForEnd(std::chrono::milliseconds(0)); }

std::optional<int> ChildProgram::WaitForEnd(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!platform_->end) {
    int status = 0;
    if (waitpid(platform_->pid, &status, WNOHANG) == platform_->pid) {
      platform_->end = WIFSIGNALED(status) ? WTERMSIG(status) : 256 + WEXITSTATUS(status);
    } else if (std::chrono::steady_clock::now() >= deadline) {
      break;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  return platform_->end;
}

}  // namespace zefo::testing
