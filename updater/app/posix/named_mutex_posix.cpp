#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <string>
#include <utility>

#include "updater/app/named_mutex.h"
#include "updater/app/posix/unique_fd.h"
#include "updater/sys/text.h"

namespace zefo {
namespace {

// Holding the bound socket is holding the mutex.
class SocketMutex final : public NamedMutex {
 public:
  explicit SocketMutex(std::unique_ptr<UniqueFd> socket) : socket_(std::move(socket)) {}

 private:
  std::unique_ptr<UniqueFd> socket_;
};

}  // namespace

std::unique_ptr<NamedMutex> CreateNamedMutex(const std::wstring& name, bool& alreadyExisted) {
  alreadyExisted = false;
  const std::string abstractName =
      "zefo.mutex." + std::to_string(::getuid()) + "." + ToNarrowString(name);

  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  // sun_path[0] stays '\0': the abstract namespace, no file in the file system.
  if (abstractName.size() + 1 > sizeof address.sun_path) return nullptr;
  std::memcpy(address.sun_path + 1, abstractName.data(), abstractName.size());
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + abstractName.size());

  auto socket = std::make_unique<UniqueFd>(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!socket->valid()) return nullptr;
  if (::bind(socket->get(), reinterpret_cast<const sockaddr*>(&address), length) != 0) {
    alreadyExisted = errno == EADDRINUSE;
    return nullptr;
  }
  return std::make_unique<SocketMutex>(std::move(socket));
}

}  // namespace zefo
