// The transfers keep connections alive between files, and a kept-alive
// connection that the server has broken never fails a download that a fresh
// connection fetches. The server here keeps connections alive, as a real one
// does, and can break each connection's second request in several ways.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "updater/net/download.h"
#include "updater/net/posix/curl_transport_posix.h"
#include "updater/net/posix/scoped_environment_test.h"

namespace zefo {
namespace {

namespace fs = std::filesystem;

// What the server does with the second and later requests of a connection;
// the first is always answered in full.
enum class Later {
  kServe,            // answered in full, the connection kept
  kCloseWhenIdle,    // the connection is closed right after the first answer
  kCloseUnanswered,  // read, then the connection closed without a byte
  kCloseAfterStatus, // the status line only, then closed
  kCloseMidBody,     // the head and half the body, then closed
};

std::string Body(const std::string& path) {
  std::string body;
  while (body.size() < 20000) body += path + ";";
  return body;
}

class Socket {
 public:
  explicit Socket(int fd) : fd_(fd) {}
  ~Socket() {
    if (fd_ >= 0) close(fd_);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// Plain HTTP/1.1 on a free port of 127.0.0.1, a thread per connection.
class KeepAliveServer {
 public:
  explicit KeepAliveServer(Later later) : later_(later), listener_(socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        listen(listener_.get(), 16) != 0 ||
        getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &size) != 0) {
      ADD_FAILURE() << "no listening socket";
      return;
    }
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { Accept(); });
  }

  ~KeepAliveServer() {
    shutdown(listener_.get(), SHUT_RDWR);
    acceptor_.join();
    {
      const std::lock_guard<std::mutex> lock(guard_);
      for (const int fd : open_) shutdown(fd, SHUT_RDWR);
    }
    for (std::thread& t : connections_) t.join();
  }

  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  int Connections() const {
    const std::lock_guard<std::mutex> lock(guard_);
    return connectionCount_;
  }
  // "<connection>:<path>" of every request read, in order.
  std::vector<std::string> Requests() const {
    const std::lock_guard<std::mutex> lock(guard_);
    return requests_;
  }
  // Requests of the direct transport (its agent is "URL File Downloader").
  int DirectRequests() const {
    const std::lock_guard<std::mutex> lock(guard_);
    return directCount_;
  }

 private:
  void Accept() {
    for (;;) {
      const int fd = accept(listener_.get(), nullptr, nullptr);
      if (fd < 0) return;
      const std::lock_guard<std::mutex> lock(guard_);
      open_.push_back(fd);
      const int number = ++connectionCount_;
      connections_.emplace_back([this, fd, number] { Serve(fd, number); });
    }
  }

  void Serve(int fd, int connection) {
    std::string pending;
    for (int served = 0;; ++served) {
      bool direct = false;
      const std::string path = ReadRequest(fd, pending, direct);
      if (path.empty()) break;
      {
        const std::lock_guard<std::mutex> lock(guard_);
        requests_.push_back(std::to_string(connection) + ":" + path);
        if (direct) ++directCount_;
      }
      const std::string body = Body(path);
      const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: " +
                               std::to_string(body.size()) + "\r\n\r\n";
      const Later now = served == 0 ? Later::kServe : later_;
      if (now == Later::kServe) {
        Send(fd, head + body);
        if (later_ == Later::kCloseWhenIdle) break;
      } else if (now == Later::kCloseAfterStatus) {
        Send(fd, "HTTP/1.1 200 OK\r\n");
        break;
      } else if (now == Later::kCloseMidBody) {
        Send(fd, head + body.substr(0, body.size() / 2));
        break;
      } else {
        break;
      }
    }
    const std::lock_guard<std::mutex> lock(guard_);
    shutdown(fd, SHUT_RDWR);
    close(fd);
    open_.erase(std::find(open_.begin(), open_.end(), fd));
  }

  // The path of the next request, "" when the connection ends first.
  static std::string ReadRequest(int fd, std::string& pending, bool& direct) {
    std::size_t end;
    while ((end = pending.find("\r\n\r\n")) == std::string::npos) {
      char buffer[4096];
      const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
      if (got <= 0) return {};
      pending.append(buffer, static_cast<std::size_t>(got));
    }
    std::istringstream line(pending.substr(0, pending.find("\r\n")));
    direct = pending.substr(0, end).find("\r\nUser-Agent: URL File Downloader") != std::string::npos;
    pending.erase(0, end + 4);
    std::string method, path;
    line >> method >> path;
    return path;
  }

  static void Send(int fd, const std::string& data) {
    for (std::size_t sent = 0; sent < data.size();) {
      const ssize_t n = send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) return;
      sent += static_cast<std::size_t>(n);
    }
  }

  const Later later_;
  Socket listener_;
  int port_ = 0;
  std::thread acceptor_;
  mutable std::mutex guard_;
  std::vector<std::thread> connections_;
  std::vector<int> open_;
  int connectionCount_ = 0;
  int directCount_ = 0;
  std::vector<std::string> requests_;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

class ConnectionReuseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    out_ = fs::temp_directory_path() / ("zefo-reuse-" + name);
    fs::remove_all(out_);
    fs::create_directories(out_);
  }
  void TearDown() override { fs::remove_all(out_); }

  // DownloadFile of `path` with the server as both addresses; the file must
  // arrive whole.
  void Fetch(const KeepAliveServer& server, const std::string& path) {
    const fs::path destination = out_ / fs::path(path).filename();
    ASSERT_TRUE(DownloadFile(Wide(server.Url(path)), Wide(server.Url(path)),
                             destination.wstring()))
        << path;
    EXPECT_TRUE(ReadFile(destination) == Body(path)) << path;  // bodies are long
  }

  NoProxyEnvironment noProxy_;
  fs::path out_;
};

TEST_F(ConnectionReuseTest, FilesInARowShareOneConnection) {
  KeepAliveServer server(Later::kServe);
  for (const char* path : {"/a.bin", "/b.bin", "/c.bin"}) Fetch(server, path);
  CurlTransport transport;
  ASSERT_TRUE(transport.DirectTransfer(Wide(server.Url("/d.bin")), (out_ / "d.bin").wstring()));
  EXPECT_EQ(ReadFile(out_ / "d.bin"), Body("/d.bin"));
  EXPECT_EQ(server.Connections(), 1);
  EXPECT_EQ(server.Requests(),
            (std::vector<std::string>{"1:/a.bin", "1:/b.bin", "1:/c.bin", "1:/d.bin"}));
}

// However the kept-alive connection breaks, the next file comes whole over a
// fresh one within the same attempt: the direct transport is never needed.
TEST_F(ConnectionReuseTest, BrokenKeptAliveConnectionIsReplacedByAFreshOne) {
  for (const Later later : {Later::kCloseWhenIdle, Later::kCloseUnanswered,
                            Later::kCloseAfterStatus, Later::kCloseMidBody}) {
    SCOPED_TRACE(static_cast<int>(later));
    KeepAliveServer server(later);
    Fetch(server, "/first.bin");
    Fetch(server, "/second.bin");
    Fetch(server, "/third.bin");
    EXPECT_EQ(server.DirectRequests(), 0);
    const std::vector<std::string> requests = server.Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back(), std::to_string(server.Connections()) + ":/third.bin");
    // Each file at most twice: on the broken connection, then on a fresh one.
    for (const char* path : {"/first.bin", "/second.bin", "/third.bin"}) {
      const auto asked = std::count_if(requests.begin(), requests.end(), [&](const std::string& r) {
        return r.substr(r.find(':')) == std::string(":") + path;
      });
      EXPECT_GE(asked, 1) << path;
      EXPECT_LE(asked, 2) << path;
    }
  }
}

// Workers and boxes may download at the same time: the shared caches hold.
TEST_F(ConnectionReuseTest, ConcurrentTransfersShareTheCachesSafely) {
  KeepAliveServer server(Later::kServe);
  constexpr int kThreads = 4;
  constexpr int kFiles = 15;
  std::vector<std::thread> threads;
  std::vector<int> fetched(kThreads, 0);
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      CurlTransport transport;
      for (int i = 0; i < kFiles; ++i) {
        const std::string path = "/t" + std::to_string(t) + "-" + std::to_string(i) + ".bin";
        const fs::path destination = out_ / path.substr(1);
        const bool direct = i % 2 == 1;
        const std::wstring url = Wide(server.Url(path));
        const bool ok = direct ? transport.DirectTransfer(url, destination.wstring())
                               : transport.SystemTransfer(url, destination.wstring());
        if (ok && ReadFile(destination) == Body(path)) ++fetched[t];
      }
    });
  }
  for (std::thread& t : threads) t.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(fetched[t], kFiles) << "thread " << t;
  EXPECT_LE(server.Connections(), kThreads + 1);
}

}  // namespace
}  // namespace zefo
