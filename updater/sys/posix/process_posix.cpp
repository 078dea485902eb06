// Processes on Linux: /proc for names and the executable, fork and exec for
// starting programs, SIGKILL for ending them.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <memory>
#include <thread>

#include "updater/sys/file_system.h"
#include "updater/sys/last_error.h"
#include "updater/sys/posix/native_path.h"
#include "updater/sys/process.h"
#include "updater/sys/process_platform.h"
#include "updater/sys/text.h"

extern char** environ;

namespace zefo {
namespace {

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

// Closes a descriptor it owns.
class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() { Reset(); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  int Get() const { return fd_; }
  void Reset() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

// The target of a /proc symbolic link; "" when it cannot be read.
std::string ReadLink(const std::string& link) {
  std::string target(PATH_MAX, '\0');
  while (true) {
    const ssize_t length = readlink(link.c_str(), &target[0], target.size());
    if (length < 0) return "";
    if (static_cast<std::size_t>(length) < target.size()) {
      target.resize(static_cast<std::size_t>(length));
      return target;
    }
    target.resize(target.size() * 2);
  }
}

// Files of /proc fail to read once their process is gone: then "".
std::string ReadProcFile(const std::string& path) {
  const Descriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.Get() < 0) return "";
  std::string content;
  char buffer[4096];
  while (true) {
    const ssize_t got = read(file.Get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return "";
    if (got == 0) return content;
    content.append(buffer, static_cast<std::size_t>(got));
  }
}

// The file name the process was started from: the executable's name (a
// replaced or removed file shows as "name (deleted)"), or, when that link
// cannot be read, the kernel's name of the process, which is cut to 15 bytes.
std::string ExecutableName(const std::string& procDir) {
  std::string target = ReadLink(procDir + "/exe");
  if (!target.empty()) {
    static const std::string kDeleted = " (deleted)";
    if (target.size() > kDeleted.size() &&
        target.compare(target.size() - kDeleted.size(), kDeleted.size(), kDeleted) == 0) {
      target.resize(target.size() - kDeleted.size());
    }
    return target.substr(target.rfind('/') + 1);
  }
  std::string comm = ReadProcFile(procDir + "/comm");
  if (!comm.empty() && comm.back() == '\n') comm.pop_back();
  return comm;
}

bool IsProcessId(const char* name) {
  if (*name == '\0') return false;
  for (const char* p = name; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9') return false;
  }
  return true;
}

// The file to run, as an absolute native path: relative to `folder` (or to
// the current folder), letter case matched as Windows would.
std::string ResolveProgram(const std::wstring& file, const std::wstring& folder) {
  const bool absolute = file[0] == L'/' || file[0] == L'\\';
  std::string path = NativePathString(absolute ? ResolvePathIgnoringCase(L"/", file.substr(1))
                                               : ResolvePathIgnoringCase(folder, file));
  if (path[0] != '/') {
    char current[PATH_MAX];
    if (getcwd(current, sizeof current) == nullptr) return "";
    path = std::string(current) + "/" + path;
  }
  return path;
}

// Highest descriptor to mark close-on-exec when close_range is missing.
int DescriptorLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY ||
      limit.rlim_cur > 65536) {
    return 65536;
  }
  return static_cast<int>(limit.rlim_cur);
}

// In the forked child only async-signal-safe calls: report errno to the
// parent and end.
[[noreturn]] void FailChild(int pipeFd) {
  const int error = errno;
  ssize_t ignored = write(pipeFd, &error, sizeof error);
  static_cast<void>(ignored);
  _exit(127);
}

// Runs in the grandchild: a process of its own session, stdin from
// /dev/null, no descriptor of ours but stdout and stderr, default signals.
[[noreturn]] void ExecProgram(const char* program, char* const* argv, const char* folder,
                              int descriptorLimit, int pipeFd) {
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  struct sigaction defaults {};
  defaults.sa_handler = SIG_DFL;
  for (int signal = 1; signal < NSIG; ++signal) sigaction(signal, &defaults, nullptr);

  const int nullFd = open("/dev/null", O_RDONLY);
  if (nullFd < 0 || dup2(nullFd, STDIN_FILENO) < 0) FailChild(pipeFd);
  if (nullFd != STDIN_FILENO) close(nullFd);
  if (folder[0] != '\0' && chdir(folder) != 0) FailChild(pipeFd);
  // Our descriptors (the single-instance sockets above all) must not live on
  // in the started program.
  if (close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
    for (int fd = 3; fd < descriptorLimit; ++fd) fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  execve(program, argv, environ);
  FailChild(pipeFd);
}

}  // namespace

std::vector<std::wstring> OwnCommandLineArguments() {
  const std::string all = ReadProcFile("/proc/self/cmdline");
  std::vector<std::wstring> arguments;
  std::size_t start = all.find('\0');  // after the program name
  while (start != std::string::npos && start + 1 < all.size()) {
    const std::size_t end = all.find('\0', start + 1);
    arguments.push_back(ToWideString(all.substr(start + 1, end - start - 1)));
    start = end;
  }
  return arguments;
}

std::wstring GetModuleFolder() {
  const std::string exe = ReadLink("/proc/self/exe");
  if (exe.empty()) return L"";
  return ToWideString(exe.substr(0, exe.rfind('/') + 1));
}

bool StartProgram(const std::wstring& file, const std::wstring& parameters,
                  const std::wstring& folder) {
  if (file.empty()) {
    SetLastErrorCode(ENOENT);
    return false;
  }
  // Everything the children need is made here: after fork they may only
  // make async-signal-safe calls.
  const std::string program = ResolveProgram(file, folder);
  if (program.empty()) {
    SetLastErrorCode(static_cast<std::uint32_t>(errno));
    return false;
  }
  const std::string nativeFolder = NativePathString(folder);
  std::vector<std::string> arguments{program};
  for (const std::wstring& argument : SplitCommandLine(parameters)) {
    arguments.push_back(ToNarrowString(argument));
  }
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(&argument[0]);
  argv.push_back(nullptr);
  const int descriptorLimit = DescriptorLimit();

  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    SetLastErrorCode(static_cast<std::uint32_t>(errno));
    return false;
  }
  Descriptor readEnd(fds[0]);
  Descriptor writeEnd(fds[1]);

  // Two forks: the program becomes a child of init (or the session's
  // reaper), so it is not left a zombie of ours and outlives us.
  const pid_t child = fork();
  if (child < 0) {
    SetLastErrorCode(static_cast<std::uint32_t>(errno));
    return false;
  }
  if (child == 0) {
    setsid();
    const pid_t grandchild = fork();
    if (grandchild < 0) FailChild(fds[1]);
    if (grandchild > 0) _exit(0);
    ExecProgram(program.c_str(), argv.data(), nativeFolder.c_str(), descriptorLimit, fds[1]);
  }
  writeEnd.Reset();
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  // The pipe closes without data when exec succeeded.
  int error = 0;
  ssize_t got;
  while ((got = read(readEnd.Get(), &error, sizeof error)) < 0 && errno == EINTR) {
  }
  if (got == static_cast<ssize_t>(sizeof error)) {
    SetLastErrorCode(static_cast<std::uint32_t>(error));
    return false;
  }
  return true;
}

void TerminateProcessesByName(const std::wstring& name) {
  const std::string wanted = ToNarrowString(name);
  std::unique_ptr<DIR, DirCloser> proc(opendir("/proc"));
  if (wanted.empty() || !proc) return;
  const std::string self = std::to_string(getpid());
  const uid_t user = geteuid();
  while (const dirent* entry = readdir(proc.get())) {
    if (!IsProcessId(entry->d_name) || self == entry->d_name) continue;
    const std::string dir = std::string("/proc/") + entry->d_name;
    struct stat info {};
    if (stat(dir.c_str(), &info) != 0 || info.st_uid != user) continue;
    if (ExecutableName(dir) != wanted) continue;
    // Gone already or not ours to end: skipped, as on Windows.
    kill(static_cast<pid_t>(std::stoi(entry->d_name)), SIGKILL);
  }
}

void SleepMilliseconds(unsigned milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace zefo
