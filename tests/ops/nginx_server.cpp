#include "tests/ops/nginx_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "tests/app/child_process.h"
#include "tests/fixtures/test_servers.h"
#include "tests/support/test_folders.h"

namespace zefo::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const fs::path kNginxProgram = "/usr/sbin/nginx";
const fs::path kShippedConfiguration = fs::path(ZEFO_SOURCE_ROOT) / "ops" / "nginx" / "patch-server.conf";

// Replaces every `from` by `to` and insists on `count` of them.
void ReplaceSiteValue(std::string& text, const std::string& from, const std::string& to, int count) {
  int found = 0;
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
    ++found;
  }
  if (found != count) {
    throw std::runtime_error("patch-server.conf: \"" + from + "\" found " + std::to_string(found) +
                             " times, expected " + std::to_string(count));
  }
}

std::string Quoted(const fs::path& path) { return "\"" + path.string() + "\""; }

bool Accepts(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return connected;
}

// The process settings a packaged nginx.conf would give, pointed into `work`
// so nothing of the machine's nginx is touched; one process, so that ending
// it ends the server.
std::string MainConfiguration(const fs::path& work) {
  const fs::path temp = work / "temp";
  std::ostringstream text;
  text << "daemon off;\n"
       << "master_process off;\n"
       << "pid " << Quoted(work / "nginx.pid") << ";\n"
       << "error_log " << Quoted(work / "error.log") << ";\n"
       << "events { worker_connections 64; }\n"
       << "http {\n"
       << "  include /etc/nginx/mime.types;\n"
       << "  default_type application/octet-stream;\n"
       << "  log_format zefo '$scheme $host $request_method $status $uri';\n"
       << "  access_log " << Quoted(work / "access.log") << " zefo;\n";
  for (const char* kind : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"}) {
    text << "  " << kind << "_temp_path " << Quoted(temp / kind) << ";\n";
  }
  text << "  include " << Quoted(work / "patch-server.conf") << ";\n"
       << "}\n";
  return text.str();
}

}  // namespace

std::string SiteConfiguration(const std::string& shipped, const fs::path& liveRoot, const fs::path& stageRoot,
                              const fs::path& certificate, const fs::path& key) {
  std::string text = shipped;
  const std::string https = "127.0.0.1:" + std::to_string(kNginxHttpsPort);
  const std::string http = "127.0.0.1:" + std::to_string(kNginxHttpPort);
  ReplaceSiteValue(text, "listen 443 ssl;", "listen " + https + " ssl;", 2);
  ReplaceSiteValue(text, "listen 80;", "listen " + http + ";", 2);
  ReplaceSiteValue(text, "server_name patch.example.net;", "server_name 127.0.0.1;", 1);
  ReplaceSiteValue(text, "server_name stage-patch.example.net;", "server_name localhost;", 1);
  for (const char* deployment : {"live", "stage"}) {
    const std::string name = deployment;
    ReplaceSiteValue(text, "/etc/ssl/zefo/" + name + ".pem;", Quoted(certificate) + ";", 1);
    ReplaceSiteValue(text, "/etc/ssl/zefo/" + name + ".key;", Quoted(key) + ";", 1);
  }
  ReplaceSiteValue(text, "root /srv/zefo/live;", "root " + Quoted(liveRoot) + ";", 1);
  ReplaceSiteValue(text, "root /srv/zefo/stage;", "root " + Quoted(stageRoot) + ";", 1);
  return text;
}

NginxPatchServer::NginxPatchServer(const fs::path& liveRoot, const fs::path& stageRoot, const fs::path& work)
    : work_(work) {
  if (!fs::exists(kNginxProgram)) {
    throw std::runtime_error("nginx is not installed (scripts/install-deps.sh installs it)");
  }
  // The loopback servers' certificate, for 127.0.0.1 and localhost.
  const fs::path caFolder = fs::path(TestCaBundlePath()).parent_path();
  fs::create_directories(work_ / "temp");
  WriteFileBytes(work_ / "patch-server.conf",
                 SiteConfiguration(ReadFileBytes(kShippedConfiguration), liveRoot, stageRoot,
                                   caFolder / "server.pem", caFolder / "server.key"));
  WriteFileBytes(work_ / "nginx.conf", MainConfiguration(work_));

  const std::string errorLog = (work_ / "error.log").string();
  process_ = std::make_unique<ChildProcess>(
      kNginxProgram,
      std::vector<std::string>{"-p", work_.string(), "-c", (work_ / "nginx.conf").string(), "-e", errorLog},
      ChildOptions{work_, {}, false, work_ / "nginx.out"});
  const bool ready = WaitUntil(
      [&] { return !process_->Running() || (Accepts(kNginxHttpsPort) && Accepts(kNginxHttpPort)); }, 20s);
  if (!ready || !process_->Running()) {
    throw std::runtime_error("nginx did not start: " + ReadFileBytes(work_ / "nginx.out") +
                             ReadFileBytes(errorLog));
  }
}

NginxPatchServer::~NginxPatchServer() {
  // A fast shutdown; the child's own end kills it if that does not come.
  if (process_->Running()) {
    ::kill(process_->pid(), SIGTERM);
    process_->Wait(10s);
  }
}

std::string NginxPatchServer::httpsUrl(const std::string& host) const {
  return "https://" + host + ":" + std::to_string(kNginxHttpsPort);
}

std::string NginxPatchServer::httpUrl(const std::string& host) const {
  return "http://" + host + ":" + std::to_string(kNginxHttpPort);
}

std::vector<AccessRecord> NginxPatchServer::Requests() const {
  std::vector<AccessRecord> records;
  std::istringstream lines(ReadFileBytes(work_ / "access.log"));
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    AccessRecord record;
    fields >> record.scheme >> record.host >> record.method >> record.status;
    fields >> std::ws;
    std::getline(fields, record.uri);
    records.push_back(record);
  }
  return records;
}

}  // namespace zefo::testing
