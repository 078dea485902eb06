// The Linux forms of the mutexes and of the broadcast are fixed: a launcher
// built elsewhere relies on them. These tests speak to them with plain sockets.
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>

#include "updater/app/named_mutex.h"
#include "updater/app/posix/unique_fd.h"
#include "updater/app/show_up_broadcast.h"

namespace zefo {
namespace {

// A socket of `type` bound to the abstract name `name`; invalid when the bind fails.
std::unique_ptr<UniqueFd> BindAbstract(int type, const std::string& name) {
  auto socket = std::make_unique<UniqueFd>(::socket(AF_UNIX, type | SOCK_CLOEXEC, 0));
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path + 1, name.data(), name.size());
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
  if (::bind(socket->get(), reinterpret_cast<const sockaddr*>(&address), length) != 0) socket->reset(-1);
  return socket;
}

std::string Uid() { return std::to_string(::getuid()); }
std::string Unique(const char* what) { return std::string(what) + "-" + std::to_string(::getpid()); }

// The next datagram, or "" when none arrives within `milliseconds`.
std::string Receive(const UniqueFd& socket, int milliseconds) {
  pollfd entry{socket.get(), POLLIN, 0};
  if (::poll(&entry, 1, milliseconds) <= 0) return "";
  char buffer[256];
  const ssize_t count = ::recv(socket.get(), buffer, sizeof buffer, 0);
  return count > 0 ? std::string(buffer, static_cast<std::size_t>(count)) : "";
}

TEST(NamedMutexPosixTest, IsAStreamSocketUnderTheUsersAbstractName) {
  const std::string name = Unique("<<<mutex naming test>>>");
  const auto held(BindAbstract(SOCK_STREAM, "zefo.mutex." + Uid() + "." + name));
  ASSERT_TRUE(held->valid());

  bool existed = false;
  EXPECT_EQ(CreateNamedMutex(std::wstring(name.begin(), name.end()), existed), nullptr);
  EXPECT_TRUE(existed);
}

TEST(NamedMutexPosixTest, HoldingTheMutexBlocksOthersBindingItsName) {
  const std::string name = Unique("other");
  bool existed = true;
  const auto mutex = CreateNamedMutex(std::wstring(name.begin(), name.end()), existed);
  ASSERT_NE(mutex, nullptr);
  EXPECT_FALSE(existed);
  const auto other(BindAbstract(SOCK_STREAM, "zefo.mutex." + Uid() + "." + name));
  EXPECT_FALSE(other->valid());
}

TEST(ShowUpBroadcastPosixTest, ReachesEveryWindowSocketOfTheUser) {
  const std::string prefix = "zefo.window." + Uid() + ".";
  const auto first(BindAbstract(SOCK_DGRAM, prefix + Unique("first")));
  const auto second(BindAbstract(SOCK_DGRAM, prefix + Unique("second")));
  // Not windows: another prefix, another user's prefix.
  const auto stranger(BindAbstract(SOCK_DGRAM, "zefo.windows." + Uid() + "." + Unique("x")));
  const auto otherUser(
      BindAbstract(SOCK_DGRAM, "zefo.window." + std::to_string(::getuid() + 1) + "." + Unique("y")));
  ASSERT_TRUE(first->valid() && second->valid() && stranger->valid() && otherUser->valid());

  BroadcastShowUp(683, 2951);

  EXPECT_EQ(Receive(*first, 5000), "showup_zlauncher 683 2951\n");
  EXPECT_EQ(Receive(*second, 5000), "showup_zlauncher 683 2951\n");
  EXPECT_EQ(Receive(*stranger, 100), "");
  EXPECT_EQ(Receive(*otherUser, 100), "");
}

}  // namespace
}  // namespace zefo
