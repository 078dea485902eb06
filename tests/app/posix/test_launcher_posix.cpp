// Linux forms: the mutex is a SOCK_STREAM socket and the window a SOCK_DGRAM
// socket in the abstract namespace, named after the user.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <thread>

#include "tests/app/test_launcher_platform.h"

namespace zefo::testing {
namespace {

constexpr char kLauncherMutexName[] = "<<<#$&*#^ &&ZLAuNCHER&& ^%$@#!@>>>";
// The updater that starts this program still holds the mutex until it ends.
constexpr auto kMutexWait = std::chrono::seconds(10);

std::string Uid() { return std::to_string(::getuid()); }

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

class SocketListener final : public ShowUpListener {
 public:
  explicit SocketListener(int fd) : fd_(fd) {}
  ~SocketListener() override { ::close(fd_); }
  SocketListener(const SocketListener&) = delete;
  SocketListener& operator=(const SocketListener&) = delete;

  std::string Next() override {
    for (;;) {
      char buffer[512];
      const ssize_t count = ::recv(fd_, buffer, sizeof buffer, 0);
      if (count > 0) return std::string(buffer, static_cast<std::size_t>(count));
    }
  }

 private:
  int fd_;
};

}  // namespace

std::filesystem::path OwnExecutable() { return std::filesystem::read_symlink("/proc/self/exe"); }

long OwnProcessId() { return static_cast<long>(::getpid()); }

bool HoldLauncherMutex() {
  const auto deadline = std::chrono::steady_clock::now() + kMutexWait;
  for (;;) {
    // Left open until the process ends: that is what holding means.
    if (BindAbstract(SOCK_STREAM, "zefo.mutex." + Uid() + "." + kLauncherMutexName) >= 0) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

std::unique_ptr<ShowUpListener> ListenForShowUp(const std::string& name, std::string* why) {
  const int fd = BindAbstract(SOCK_DGRAM, "zefo.window." + Uid() + "." + name);
  if (fd < 0) {
    *why = std::strerror(errno);
    return nullptr;
  }
  return std::make_unique<SocketListener>(fd);
}

void WaitUntilEnded() {
  for (;;) ::pause();
}

}  // namespace zefo::testing
