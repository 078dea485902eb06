// Debian's nginx on 127.0.0.1 serving a live and a stage root with the
// shipped ops/nginx/patch-server.conf. Only the values its "site:" lines
// mark are replaced (addresses, host names, certificates, roots); the rules
// are used as shipped. The live server answers the host "127.0.0.1", the
// stage server "localhost", both on the same two ports, as two hosts behind
// one address would.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace zefo::testing {

class ChildProcess;

// The fixed ports: nginx cannot be asked for free ones and tell them back.
constexpr int kNginxHttpsPort = 27543;
constexpr int kNginxHttpPort = 27580;
// A port nothing listens on: a secure base that cannot be reached.
constexpr int kNginxClosedPort = 27599;

struct AccessRecord {
  std::string scheme;  // "http" or "https"
  std::string host;    // the Host header without the port
  std::string method;
  std::string uri;     // without the query
  int status = 0;
};

class NginxPatchServer {
 public:
  // Serves `liveRoot` (holding "patch/") and `stageRoot` (holding
  // "zefolauncher/patch/"); `work` holds the configuration and the logs.
  NginxPatchServer(const std::filesystem::path& liveRoot, const std::filesystem::path& stageRoot,
                   const std::filesystem::path& work);
  ~NginxPatchServer();
  NginxPatchServer(const NginxPatchServer&) = delete;
  NginxPatchServer& operator=(const NginxPatchServer&) = delete;

  std::string httpsUrl(const std::string& host) const;  // "https://<host>:<port>"
  std::string httpUrl(const std::string& host) const;

  // Every request answered so far, in order.
  std::vector<AccessRecord> Requests() const;

 private:
  std::filesystem::path work_;
  std::unique_ptr<ChildProcess> process_;
};

// The shipped configuration with the site values replaced; throws when a
// marked value is not found as many times as expected (the file changed).
std::string SiteConfiguration(const std::string& shipped, const std::filesystem::path& liveRoot,
                              const std::filesystem::path& stageRoot, const std::filesystem::path& certificate,
                              const std::filesystem::path& key);

}  // namespace zefo::testing
