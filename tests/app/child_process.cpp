#include "tests/app/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace zefo::testing {
namespace {

std::vector<std::string> Environment(const std::map<std::string, std::string>& changes) {
  std::map<std::string, std::string> merged;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    const std::size_t equals = text.find('=');
    if (equals != std::string::npos) merged[text.substr(0, equals)] = text.substr(equals + 1);
  }
  for (const auto& [name, value] : changes) merged[name] = value;
  std::vector<std::string> result;
  for (const auto& [name, value] : merged) result.push_back(name + "=" + value);
  return result;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

ChildProcess::ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                           const ChildOptions& options) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  int inputPipe[2] = {-1, -1};
  if (options.inputPipe) {
    if (::pipe2(inputPipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_adddup2(&actions, inputPipe[0], STDIN_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  }
  const std::string output = options.outputFile.empty() ? "/dev/null" : options.outputFile.string();
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  if (!options.folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, options.folder.c_str());

  std::vector<std::string> argumentTexts = {program.string()};
  argumentTexts.insert(argumentTexts.end(), arguments.begin(), arguments.end());
  std::vector<std::string> environmentTexts = Environment(options.environment);
  const int error = posix_spawn(&pid_, program.c_str(), &actions, nullptr, Pointers(argumentTexts).data(),
                                Pointers(environmentTexts).data());
  posix_spawn_file_actions_destroy(&actions);
  if (inputPipe[0] >= 0) ::close(inputPipe[0]);
  input_ = inputPipe[1];
  if (error != 0) {
    pid_ = -1;
    throw std::runtime_error("cannot start " + program.string() + ": " + std::strerror(error));
  }
}

ChildProcess::~ChildProcess() {
  CloseInput();
  if (pid_ > 0 && !exit_) {
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }
}

void ChildProcess::Write(const std::string& text) {
  if (input_ < 0) throw std::logic_error("no input pipe");
  if (::write(input_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
    throw std::runtime_error("write to child");
  }
}

void ChildProcess::CloseInput() {
  if (input_ >= 0) ::close(input_);
  input_ = -1;
}

std::optional<ChildExit> ChildProcess::Wait(std::chrono::milliseconds limit) {
  WaitUntil([this] { return !Running(); }, limit);
  return exit_;
}

bool ChildProcess::Running() {
  if (exit_) return false;
  int status = 0;
  if (::waitpid(pid_, &status, WNOHANG) != pid_) return true;
  exit_ = WIFEXITED(status) ? ChildExit{true, WEXITSTATUS(status)} : ChildExit{false, WTERMSIG(status)};
  return false;
}

RunResult RunToEnd(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                   const std::map<std::string, std::string>& environment, std::chrono::milliseconds limit) {
  std::string name = (std::filesystem::temp_directory_path() / "zefo-child-output-XXXXXX").string();
  const int fd = ::mkstemp(name.data());
  if (fd < 0) throw std::runtime_error("mkstemp");
  ::close(fd);
  RunResult result;
  {
    ChildProcess child(program, arguments, {{}, environment, false, name});
    result.exit = child.Wait(limit);
  }
  std::ifstream in(name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  result.output = text.str();
  ::unlink(name.c_str());
  return result;
}

void SleepBriefly() { std::this_thread::sleep_for(std::chrono::milliseconds(20)); }

}  // namespace zefo::testing
