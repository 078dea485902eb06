#include "tests/support/update_run_fixture.h"

#include <algorithm>

namespace zefo::testing {

UpdateRunTest::UpdateRunTest()
    : server_(serverRoot_.path().string()),
      live_(serverRoot_.path() / "patch"),
      stage_(serverRoot_.path() / "zefolauncher" / "patch"),
      manager_(LoopbackEndpoints(server_, hook_)) {
  UseTemporaryRegistry();
  DeleteLauncherKey(kLiveKey);
  DeleteLauncherKey(kStageKey);
  hook_.SetAddressInfo("203.0.113.7 KR");
}

UpdateRunTest::~UpdateRunTest() {
  DeleteLauncherKey(kLiveKey);
  DeleteLauncherKey(kStageKey);
}

void UpdateRunTest::InstallLauncher(std::int32_t version, const wchar_t* key) {
  WriteLauncherKey(key, program_.path().wstring() + L"/ZEFOLauncher.exe", program_.path().wstring(), version);
}

void UpdateRunTest::RunUpdate() {
  manager_.CheckInstallation(window_);
  UpdateWorker(manager_, &window_);
}

std::vector<std::string> UpdateRunTest::FetchedPaths() const {
  std::vector<std::string> paths;
  for (const RecordedRequest& request : server_.Requests()) {
    if (request.method == "GET" && std::find(paths.begin(), paths.end(), request.path) == paths.end()) {
      paths.push_back(request.path);
    }
  }
  return paths;
}

int UpdateRunTest::FetchCount(const std::string& path) const {
  const auto requests = server_.Requests();
  return static_cast<int>(std::count_if(requests.begin(), requests.end(), [&](const RecordedRequest& r) {
    return r.method == "GET" && r.path == path;
  }));
}

std::vector<std::string> UpdateRunTest::Reports() const {
  std::vector<std::string> bodies;
  for (const RecordedRequest& request : hook_.Requests()) {
    if (request.method == "POST" && request.path == kWebhookPath) bodies.push_back(request.body);
  }
  return bodies;
}

std::string UpdateRunTest::RequestTrace() const {
  std::string trace;
  const auto append = [&trace](const char* server, const std::vector<RecordedRequest>& requests) {
    for (const RecordedRequest& r : requests) {
      trace += std::string(server) + ": " + r.scheme + " " + r.method + " " + r.path + "\n";
    }
  };
  append("patch", server_.Requests());
  append("webhook", hook_.Requests());
  return trace.empty() ? "no request arrived\n" : trace;
}

}  // namespace zefo::testing
