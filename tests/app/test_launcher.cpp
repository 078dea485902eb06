// A stand-in for the launcher program in end-to-end tests, installed as
// "x86/ZLauncher.exe" and "x64/ZLauncher.exe" in test program folders. Its
// command line belongs to the updater, so it takes its options from
// "ZLauncher.conf" beside it (key=value lines, all optional):
//   hold_mutex=1   hold the launcher's mutex, as a running launcher does
//   window=NAME    bind the window socket "zefo.window.<uid>.NAME" and append
//                  every message it receives to "ZLauncher.broadcasts"
//   stay=1         keep running until ended (implied by the two above)
// Once it holds what it was asked to hold it writes "ZLauncher.record" beside
// itself: pid, working folder, executable and arguments, then "ready".
// It speaks the Linux forms of the mutex and the window by their fixed names,
// independently of the updater's own code.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

constexpr char kLauncherMutexName[] = "<<<#$&*#^ &&ZLAuNCHER&& ^%$@#!@>>>";
// The updater that starts this program still holds the mutex until it ends.
constexpr auto kMutexWait = std::chrono::seconds(10);

std::map<std::string, std::string> ReadConfig(const fs::path& file) {
  std::map<std::string, std::string> config;
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos) config[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return config;
}

// A socket of `type` bound to the abstract name `name`, or -1.
int BindAbstract(int type, const std::string& name) {
  const int fd = ::socket(AF_UNIX, type | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path + 1, name.data(), name.size());
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0) return fd;
  ::close(fd);
  return -1;
}

int HoldMutex(const std::string& uid) {
  const auto deadline = std::chrono::steady_clock::now() + kMutexWait;
  for (;;) {
    const int fd = BindAbstract(SOCK_STREAM, "zefo.mutex." + uid + "." + kLauncherMutexName);
    if (fd >= 0 || std::chrono::steady_clock::now() > deadline) return fd;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

void WriteRecord(const fs::path& file, int argc, char* argv[]) {
  std::string record = "pid=" + std::to_string(::getpid()) + "\n";
  record += "cwd=" + fs::current_path().string() + "\n";
  record += "exe=" + fs::read_symlink("/proc/self/exe").string() + "\n";
  for (int i = 1; i < argc; ++i) record += "arg=" + std::string(argv[i]) + "\n";
  record += "ready\n";
  const fs::path temp = file.string() + ".tmp";
  std::ofstream(temp, std::ios::binary) << record;
  fs::rename(temp, file);
}

}  // namespace

int main(int argc, char* argv[]) {
  const fs::path folder = fs::read_symlink("/proc/self/exe").parent_path();
  const auto config = ReadConfig(folder / "ZLauncher.conf");
  const std::string uid = std::to_string(::getuid());
  const bool holdMutex = config.count("hold_mutex") != 0 && config.at("hold_mutex") == "1";
  const std::string window = config.count("window") != 0 ? config.at("window") : "";
  const bool stay = holdMutex || !window.empty() || (config.count("stay") != 0 && config.at("stay") == "1");

  // Descriptors stay open until the process ends: that is what holding means.
  if (holdMutex && HoldMutex(uid) < 0) {
    std::fprintf(stderr, "ZLauncher: the launcher mutex is held elsewhere\n");
    return 1;
  }
  const int windowSocket = window.empty() ? -1 : BindAbstract(SOCK_DGRAM, "zefo.window." + uid + "." + window);
  if (!window.empty() && windowSocket < 0) {
    std::fprintf(stderr, "ZLauncher: cannot bind the window socket: %s\n", std::strerror(errno));
    return 1;
  }

  WriteRecord(folder / "ZLauncher.record", argc, argv);
  if (!stay) return 0;

  for (;;) {
    if (windowSocket < 0) {
      ::pause();
      continue;
    }
    char buffer[512];
    const ssize_t count = ::recv(windowSocket, buffer, sizeof buffer, 0);
    if (count <= 0) continue;
    std::ofstream(folder / "ZLauncher.broadcasts", std::ios::app | std::ios::binary)
        .write(buffer, count)
        .flush();
  }
}
