#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "updater/app/app_names.h"
#include "updater/app/posix/unique_fd.h"
#include "updater/app/show_up_broadcast.h"

namespace zefo {
namespace {

constexpr char kDatagramType[] = "0002";  // SOCK_DGRAM in /proc/net/unix

// Names (without the leading '@') of the abstract datagram sockets whose name
// begins with `prefix`. A line of /proc/net/unix reads
// "Num RefCount Protocol Flags Type St Inode [Path]"; abstract names start with '@'.
std::set<std::string> FindWindowSockets(const std::string& prefix) {
  std::set<std::string> names;
  std::ifstream table("/proc/net/unix");
  std::string line;
  std::getline(table, line);  // the heading
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string num, refCount, protocol, flags, type, state, inode;
    if (!(fields >> num >> refCount >> protocol >> flags >> type >> state >> inode)) continue;
    if (type != kDatagramType) continue;
    std::string path;
    std::getline(fields >> std::ws, path);
    if (path.size() > 1 && path[0] == '@' && path.compare(1, prefix.size(), prefix) == 0) {
      names.insert(path.substr(1));
    }
  }
  return names;
}

}  // namespace

void BroadcastShowUp(std::uint32_t wParam, std::uint32_t lParam) {
  const std::string prefix = "zefo.window." + std::to_string(::getuid()) + ".";
  const std::set<std::string> names = FindWindowSockets(prefix);
  if (names.empty()) return;

  const UniqueFd socket(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!socket.valid()) return;
  const std::string message = std::string(kShowUpMessageName) + " " + std::to_string(wParam) + " " +
                              std::to_string(lParam) + "\n";
  for (const std::string& name : names) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (name.size() + 1 > sizeof address.sun_path) continue;
    std::memcpy(address.sun_path + 1, name.data(), name.size());
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    // Posted, not sent: a window whose queue is full misses the message.
    ::sendto(socket.get(), message.data(), message.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
             reinterpret_cast<const sockaddr*>(&address), length);
  }
}

}  // namespace zefo
