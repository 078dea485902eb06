#include "tests/hardening/kill_support.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <system_error>
#include <thread>
#include <vector>

namespace zefo::testing {
namespace {

namespace fs = std::filesystem;

bool Below(const fs::path& path, const fs::path& folder) {
  const std::string text = path.string();
  const std::string prefix = folder.string();
  return text.compare(0, prefix.size(), prefix) == 0 &&
         (text.size() == prefix.size() || text[prefix.size()] == '/');
}

std::vector<pid_t> ProcessesIn(const fs::path& folder) {
  std::vector<pid_t> found;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator("/proc", error)) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    const pid_t pid = static_cast<pid_t>(std::stol(name));
    if (pid == ::getpid()) continue;
    std::error_code ignored;
    // A program whose file was renamed away still shows its old folder.
    const fs::path cwd = fs::read_symlink(entry.path() / "cwd", ignored);
    const fs::path exe = fs::read_symlink(entry.path() / "exe", ignored);
    if (Below(cwd, folder) || Below(exe, folder)) found.push_back(pid);
  }
  return found;
}

}  // namespace

bool KillWhen(ChildProcess& child, const std::function<bool(std::chrono::milliseconds)>& reached,
              std::chrono::milliseconds limit) {
  const auto start = std::chrono::steady_clock::now();
  while (child.Running()) {
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    if (reached(elapsed) || elapsed > limit) {
      ::kill(child.pid(), SIGKILL);
      child.Wait(std::chrono::seconds(10));
      return true;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  return false;
}

bool HitWithinTries(const std::function<bool()>& tryOnce) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (tryOnce()) return true;
  }
  return false;
}

void KillProcessesIn(const fs::path& folder) {
  for (int round = 0; round < 100; ++round) {
    const std::vector<pid_t> left = ProcessesIn(folder);
    if (left.empty()) return;
    for (const pid_t pid : left) ::kill(pid, SIGKILL);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

std::string ReadWholeFile(const fs::path& file) {
  std::string bytes;
  if (std::FILE* f = std::fopen(file.c_str(), "rb")) {
    char piece[1 << 16];
    for (std::size_t got; (got = std::fread(piece, 1, sizeof piece, f)) > 0;) bytes.append(piece, got);
    std::fclose(f);
  }
  return bytes;
}

std::uintmax_t SizeOf(const fs::path& file) {
  std::error_code error;
  const std::uintmax_t size = fs::file_size(file, error);
  return error ? 0 : size;
}

}  // namespace zefo::testing
