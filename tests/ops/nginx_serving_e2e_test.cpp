// The patch server as the operators run it: Debian's nginx with the shipped
// configuration (tests/ops/nginx_server.h), trees written by the zefo-publish
// program, and the update engine fetching through it over HTTPS, over plain
// HTTP and in stage mode, also while a release is published under it.
#include <curl/curl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "tests/app/child_process.h"
#include "tests/fixtures/test_servers.h"
#include "tests/ops/nginx_server.h"
#include "tests/publish/publish_scenario.h"
#include "tests/support/loopback_endpoints.h"
#include "tests/support/scripted_window.h"
#include "tests/support/test_folders.h"
#include "tests/support/test_registry.h"
#include "updater/engine/housekeeping.h"
#include "updater/engine/patch_manager.h"
#include "updater/sys/text.h"

namespace zefo::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using publish::testing::DescribeDifference;
using publish::testing::FileMap;
using publish::testing::ReadFiles;
using publish::testing::StoryBuilds;
using publish::testing::WriteFiles;

const fs::path kPublishProgram = ZEFO_PUBLISH_PROGRAM;
constexpr char kLiveHost[] = "127.0.0.1";
constexpr char kStageHost[] = "localhost";
constexpr char kForever[] = "public, max-age=31536000, immutable";

// A window that publishes a release at one moment of the run it shows.
enum class Moment { kDownloadsBegin, kFirstFileDone };

class PublishingWindow : public ScriptedWindow {
 public:
  void ReleaseAt(Moment moment, std::function<void()> release) {
    moment_ = moment;
    release_ = std::move(release);
  }
  void BeginProgress(int total) override {
    ScriptedWindow::BeginProgress(total);
    if (moment_ == Moment::kDownloadsBegin) Release();
  }
  void SetProgress(int position) override {
    ScriptedWindow::SetProgress(position);
    if (moment_ == Moment::kFirstFileDone && position == 1) Release();
  }

 private:
  void Release() {
    if (release_) std::exchange(release_, nullptr)();
  }
  Moment moment_ = Moment::kDownloadsBegin;
  std::function<void()> release_;
};

class NginxServingTest : public ::testing::Test {
 protected:
  NginxServingTest() {
    UseTemporaryRegistry();
    DeleteLauncherKey(kLiveKey);
    DeleteLauncherKey(kStageKey);
    fs::create_directories(liveTree_);
    fs::create_directories(stageTree_);
    nginx_ = std::make_unique<NginxPatchServer>(root_ / "live", root_ / "stage", root_ / "nginx");
    hook_.SetAddressInfo("203.0.113.7 KR");
  }

  ~NginxServingTest() override {
    DeleteLauncherKey(kLiveKey);
    DeleteLauncherKey(kStageKey);
  }

  // The engine's addresses on nginx; `secureReachable` false points the
  // HTTPS bases at a closed port, so every file comes by plain HTTP.
  Endpoints NginxEndpoints(bool secureReachable = true) const {
    const auto secure = [&](const char* host) {
      return secureReachable ? nginx_->httpsUrl(host)
                             : std::string("https://") + host + ":" + std::to_string(kNginxClosedPort);
    };
    Endpoints endpoints;
    endpoints.liveSecureBase = ToWideString(secure(kLiveHost) + "/patch");
    endpoints.livePlainBase = ToWideString(nginx_->httpUrl(kLiveHost) + "/patch");
    endpoints.stageSecureBase = ToWideString(secure(kStageHost) + "/zefolauncher/patch");
    endpoints.stagePlainBase = ToWideString(nginx_->httpUrl(kStageHost) + "/zefolauncher/patch");
    endpoints.webhookUrl = hook_.httpsUrl() + kWebhookPath + "?key=3f1c2b7a-9d4e-4a61-8b05-6c2e7f9a1d34";
    endpoints.addressInfoUrl = hook_.httpsUrl() + "/ipinfo";
    return endpoints;
  }

  // Runs zefo-publish and returns its output; fails the test unless it succeeds.
  std::string RunPublish(const std::vector<std::string>& arguments) {
    const RunResult result = RunToEnd(kPublishProgram, arguments, {}, 60s);
    EXPECT_TRUE(result.exit && result.exit->exited && result.exit->code == 0) << result.output;
    return result.output;
  }

  // What the operator runs: zefo-publish release TREE BUILD --version N [options].
  void Publish(const fs::path& tree, std::int32_t version, const std::vector<std::string>& options = {}) {
    const fs::path build = root_ / "builds" / std::to_string(version);
    if (!fs::exists(build)) WriteFiles(build, StoryBuilds().at(version));
    std::vector<std::string> arguments = {"release", tree.string(), build.string(), "--version",
                                          std::to_string(version)};
    arguments.insert(arguments.end(), options.begin(), options.end());
    RunPublish(arguments);
  }

  void PublishUpTo(const fs::path& tree, std::int32_t last, const std::vector<std::string>& options = {}) {
    for (std::int32_t version = 101; version <= last; ++version) Publish(tree, version, options);
  }

  // The launcher's installer: build `version`'s files and the mode's key.
  void Install(std::int32_t version, const wchar_t* key = kLiveKey) {
    WriteFiles(program_.path(), StoryBuilds().at(version));
    WriteLauncherKey(key, program_.path().wstring() + L"/ZEFOLauncher.exe", program_.path().wstring(), version);
  }

  // One start of the updater: the install check and the update worker, then
  // the full download when a failure box asked for it (the main window's part).
  void RunUpdate(PatchManager& manager, PublishingWindow& window) {
    manager.CheckInstallation(window);
    UpdateWorker(manager, &window);
    const auto posts = window.Posts();
    if (std::find(posts.begin(), posts.end(), WindowMessage::kUpdateFullDownload) != posts.end()) {
      FullDownloadWorker(manager, &window);
    }
  }

  // After the next start's tidying, the program folder holds exactly build
  // `version` (the marker file aside).
  void ExpectFiles(std::int32_t version) {
    TidyProgramFolder();
    FileMap files = ReadFiles(program_.path());
    files.erase("_stagemode.txt");
    // Set-aside executables in subfolders stay until a later start.
    for (const auto& [name, bytes] : StoryBuilds().at(version)) files.erase(name + ".old");
    EXPECT_EQ(DescribeDifference(files, StoryBuilds().at(version)), "") << "expected build " << version;
  }

  // The files of build `version`, and the key records it.
  void ExpectInstalled(std::int32_t version, const wchar_t* key = kLiveKey) {
    ExpectFiles(version);
    EXPECT_EQ(ReadVersionValue(key), version);
  }

  std::vector<AccessRecord> FileRequests() const {
    std::vector<AccessRecord> files;
    for (const AccessRecord& record : nginx_->Requests()) {
      if (record.method == "GET") files.push_back(record);
    }
    return files;
  }

  TempFolder temp_;
  const fs::path root_ = temp_.path();
  const fs::path liveTree_ = root_ / "live" / "patch";
  const fs::path stageTree_ = root_ / "stage" / "zefolauncher" / "patch";
  std::unique_ptr<NginxPatchServer> nginx_;
  WebhookReceiver hook_;
  ProgramFolder program_;
};

TEST_F(NginxServingTest, UpdatesOverHttps) {
  PublishUpTo(liveTree_, 104);
  Install(101);
  PatchManager manager(NginxEndpoints());
  PublishingWindow window;
  RunUpdate(manager, window);

  EXPECT_THAT(window.Boxes(), ::testing::IsEmpty());
  ExpectInstalled(104);
  const auto requests = FileRequests();
  ASSERT_THAT(requests, ::testing::Not(::testing::IsEmpty()));
  for (const AccessRecord& request : requests) {
    EXPECT_EQ(request.scheme, "https") << request.uri;
    EXPECT_EQ(request.status, 200) << request.uri;
  }
}

TEST_F(NginxServingTest, UpdatesOverPlainHttpWhenHttpsCannotBeReached) {
  PublishUpTo(liveTree_, 104);
  Install(102);
  PatchManager manager(NginxEndpoints(false));
  PublishingWindow window;
  RunUpdate(manager, window);

  EXPECT_THAT(window.Boxes(), ::testing::IsEmpty());
  ExpectInstalled(104);
  const auto requests = FileRequests();
  ASSERT_THAT(requests, ::testing::Not(::testing::IsEmpty()));
  for (const AccessRecord& request : requests) EXPECT_EQ(request.scheme, "http") << request.uri;
}

TEST_F(NginxServingTest, StageMarkerUpdatesFromTheStageServerOnly) {
  PublishUpTo(stageTree_, 103);
  PublishUpTo(liveTree_, 101);
  program_.Write("_stagemode.txt", "");
  Install(101, kStageKey);
  PatchManager manager(NginxEndpoints());
  PublishingWindow window;
  RunUpdate(manager, window);

  EXPECT_THAT(window.Boxes(), ::testing::IsEmpty());
  ExpectInstalled(103, kStageKey);
  for (const AccessRecord& request : FileRequests()) {
    EXPECT_EQ(request.host, kStageHost) << request.uri;
    EXPECT_EQ(request.uri.rfind("/zefolauncher/patch/", 0), 0u) << request.uri;
  }
}

// A release published while a client updates: the client ends with the
// whole old build or the whole new one, and its next start with the new one.
struct MidUpdateRelease {
  const char* name;
  std::int32_t installed;  // 103 is published when the run starts, 104 during it
  bool fullDownload;       // the run is the full download ("file recovery")
  Moment moment;
  std::int32_t endsAt;
};

void PrintTo(const MidUpdateRelease& release, std::ostream* os) { *os << release.name; }

class MidUpdateReleaseTest : public NginxServingTest, public ::testing::WithParamInterface<MidUpdateRelease> {};

TEST_P(MidUpdateReleaseTest, ClientEndsWithOneWholeBuild) {
  const MidUpdateRelease& release = GetParam();
  PublishUpTo(liveTree_, 103);
  Install(release.installed);
  PatchManager manager(NginxEndpoints());
  PublishingWindow window;
  window.ReleaseAt(release.moment, [&] { Publish(liveTree_, 104); });
  if (release.fullDownload) {
    manager.CheckInstallation(window);
    ASSERT_TRUE(manager.CheckVersion(window));
    FullDownloadWorker(manager, &window);
  } else {
    RunUpdate(manager, window);
  }
  EXPECT_THAT(window.Boxes(), ::testing::IsEmpty());
  ASSERT_TRUE(fs::exists(liveTree_ / "104")) << "the release happened during the run";
  ExpectInstalled(release.endsAt);

  PatchManager nextStart(NginxEndpoints());
  PublishingWindow nextWindow;
  RunUpdate(nextStart, nextWindow);
  EXPECT_THAT(nextWindow.Boxes(), ::testing::IsEmpty());
  ExpectInstalled(104);
}

INSTANTIATE_TEST_SUITE_P(
    Moments, MidUpdateReleaseTest,
    ::testing::Values(
        MidUpdateRelease{"DigestsReadDownloadsBegin", 101, false, Moment::kDownloadsBegin, 103},
        MidUpdateRelease{"FirstFileProven", 101, false, Moment::kFirstFileDone, 103},
        MidUpdateRelease{"FullDownloadFirstFileInstalled", 101, true, Moment::kFirstFileDone, 103}),
    [](const ::testing::TestParamInfo<MidUpdateRelease>& moment) { return std::string(moment.param.name); });

// The worst moment: the release lands between the client's reading of
// "VersionInfo.txt" (the old number) and of "VersionHash.inf" (the new
// digests). These are the update worker's steps, with the release between
// the version check and the file update.
TEST_F(NginxServingTest, ReleaseBetweenVersionAndDigestsEndsWithOneWholeBuild) {
  struct Case {
    std::int32_t installed;
    // A file 104 changed is on the client's list: its digest disagrees, the
    // client takes "file recovery" and the full download brings build 104
    // (recording the 103 it had read; the next start records 104).
    std::int32_t endsAt;
  };
  for (const Case& each : {Case{102, 103}, Case{101, 104}}) {
    SCOPED_TRACE("installed " + std::to_string(each.installed));
    fs::remove_all(liveTree_);
    for (const auto& entry : fs::directory_iterator(program_.path())) fs::remove_all(entry.path());
    PublishUpTo(liveTree_, 103);
    Install(each.installed);
    PatchManager manager(NginxEndpoints());
    PublishingWindow window;
    window.QueueAnswers({1});  // "file recovery", should the digests disagree
    manager.CheckInstallation(window);
    ASSERT_TRUE(manager.CheckVersion(window));
    Publish(liveTree_, 104);
    if (!manager.UpdateLauncherFiles(window)) {
      ASSERT_EQ(window.Posts(), std::vector<WindowMessage>{WindowMessage::kUpdateFullDownload});
      FullDownloadWorker(manager, &window);
    }
    EXPECT_EQ(window.Boxes().size(), each.endsAt == 104 ? 1u : 0u);
    ExpectFiles(each.endsAt);

    PatchManager nextStart(NginxEndpoints());
    PublishingWindow nextWindow;
    RunUpdate(nextStart, nextWindow);
    EXPECT_THAT(nextWindow.Boxes(), ::testing::IsEmpty());
    ExpectInstalled(104);
  }
}

// One request by libcurl, as a cache or a browser would make it.
struct Answer {
  long status = 0;
  std::map<std::string, std::string> headers;  // lower-case names
  std::string body;
};

Answer Request(const std::string& method, const std::string& url, const std::vector<std::string>& headers = {}) {
  Answer answer;
  CURL* curl = curl_easy_init();
  if (curl == nullptr) throw std::runtime_error("curl_easy_init");
  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> handle(curl, curl_easy_cleanup);
  curl_slist* list = nullptr;
  for (const std::string& header : headers) list = curl_slist_append(list, header.c_str());
  std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headerList(list, curl_slist_free_all);
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
  curl_easy_setopt(curl, CURLOPT_CAINFO, TestCaBundlePath().c_str());
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, 20L);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, list);
  if (method == "HEAD") {
    curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
  } else if (method != "GET") {
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method.c_str());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, "replaced");
  }
  const auto onHeader = +[](char* data, size_t size, size_t count, void* out) -> size_t {
    const std::string line(data, size * count);
    const std::size_t colon = line.find(':');
    if (colon != std::string::npos) {
      std::string name = line.substr(0, colon);
      for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      std::string value = line.substr(colon + 1);
      value.erase(0, value.find_first_not_of(' '));
      value.erase(value.find_last_not_of("\r\n") + 1);
      (*static_cast<std::map<std::string, std::string>*>(out))[name] = value;
    }
    return size * count;
  };
  const auto onBody = +[](char* data, size_t size, size_t count, void* out) -> size_t {
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
  };
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, onHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &answer.headers);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer.body);
  const CURLcode result = curl_easy_perform(curl);
  if (result != CURLE_OK) throw std::runtime_error(url + ": " + curl_easy_strerror(result));
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &answer.status);
  return answer;
}

// A header's value; "" when the answer has none.
std::string HeaderOf(const Answer& answer, const std::string& name) {
  const auto found = answer.headers.find(name);
  return found == answer.headers.end() ? "" : found->second;
}

std::string CacheControl(const Answer& answer) { return HeaderOf(answer, "cache-control"); }

TEST_F(NginxServingTest, TopFilesAreNeverCachedAndVersionFoldersForGood) {
  PublishUpTo(liveTree_, 102);
  PublishUpTo(stageTree_, 101);
  WriteFileBytes(liveTree_ / "VersionInfo.txt.zefo-publish-tmp", "103\n");
  struct Case {
    const char* host;
    const char* path;
    long status;
    const char* cacheControl;
  };
  const Case cases[] = {
      {kLiveHost, "/patch/VersionInfo.txt", 200, "no-store"},
      {kLiveHost, "/patch/VersionHash.inf", 200, "no-store"},
      {kLiveHost, "/patch/FullPatchInfo.inf", 200, "no-store"},
      {kLiveHost, "/patch/102/download_info.txt", 200, kForever},
      {kLiveHost, "/patch/102/a.dll", 200, kForever},
      {kLiveHost, "/patch/101/x86/ZLauncher.exe", 200, kForever},
      // A version not yet published: the miss must not stay in a cache.
      {kLiveHost, "/patch/103/download_info.txt", 404, "no-store"},
      {kLiveHost, "/patch/VersionInfo.txt.zefo-publish-tmp", 404, ""},
      {kLiveHost, "/", 404, ""},
      {kLiveHost, "/zefolauncher/patch/VersionInfo.txt", 404, ""},
      {kStageHost, "/zefolauncher/patch/VersionInfo.txt", 200, "no-store"},
      {kStageHost, "/zefolauncher/patch/101/download_info.txt", 200, kForever},
      {kStageHost, "/patch/VersionInfo.txt", 404, ""},
  };
  for (const bool secure : {true, false}) {
    for (const Case& each : cases) {
      const std::string url = (secure ? nginx_->httpsUrl(each.host) : nginx_->httpUrl(each.host)) + each.path;
      SCOPED_TRACE(url);
      const Answer answer = Request("GET", url);
      EXPECT_EQ(answer.status, each.status);
      EXPECT_EQ(CacheControl(answer), each.cacheControl);
      if (each.status == 200) {
        const fs::path tree = std::string(each.host) == kLiveHost ? root_ / "live" : root_ / "stage";
        EXPECT_EQ(answer.body, ReadFileBytes(tree / fs::path(each.path).relative_path())) << "served as published";
      }
    }
  }
  // A cache revalidating a version file keeps it for good.
  const std::string versionFile = nginx_->httpsUrl(kLiveHost) + "/patch/102/a.dll";
  const std::string tag = HeaderOf(Request("GET", versionFile), "etag");
  ASSERT_FALSE(tag.empty());
  const Answer revalidated = Request("GET", versionFile, {"If-None-Match: " + tag});
  EXPECT_EQ(revalidated.status, 304);
  EXPECT_EQ(CacheControl(revalidated), kForever);
}

TEST_F(NginxServingTest, SignedReleaseUpdatesAndItsSignaturesAreNeverCached) {
  const fs::path key = root_ / "release.key";
  // keygen prints the public key: 64 hexadecimal characters.
  const std::string keygenOutput = RunPublish({"keygen", key.string()});
  std::smatch found;
  ASSERT_TRUE(std::regex_search(keygenOutput, found, std::regex("[0-9a-f]{64}"))) << keygenOutput;
  const std::string publicKey = found.str();
  PublishUpTo(liveTree_, 103, {"--sign", key.string(), "--expires", "30"});
  Install(101);
  Endpoints endpoints = NginxEndpoints();
  endpoints.releasePublicKey = publicKey;
  PatchManager manager(endpoints);
  PublishingWindow window;
  RunUpdate(manager, window);
  EXPECT_THAT(window.Boxes(), ::testing::IsEmpty());
  ExpectInstalled(103);
  std::vector<std::string> fetched;
  for (const AccessRecord& request : FileRequests()) fetched.push_back(request.uri);
  EXPECT_THAT(fetched, ::testing::Contains("/patch/VersionInfo.txt.sig")) << "the client proved the signatures";

  // Signing the tree again with a new key rewrites the lists' signatures in
  // their version folders, so no cache may keep a signature.
  for (const char* path : {"/patch/VersionInfo.txt.sig", "/patch/102/download_info.txt.sig"}) {
    const std::string url = nginx_->httpsUrl(kLiveHost) + path;
    SCOPED_TRACE(url);
    const Answer answer = Request("GET", url);
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(CacheControl(answer), "no-store");
    EXPECT_EQ(answer.body, ReadFileBytes(root_ / "live" / fs::path(path).relative_path()));
  }
}

TEST_F(NginxServingTest, OnlyGetAndHeadAreAnswered) {
  PublishUpTo(liveTree_, 101);
  const std::string topBytes = ReadFileBytes(liveTree_ / "VersionInfo.txt");
  const std::string versionBytes = ReadFileBytes(liveTree_ / "101" / "a.dll");
  for (const bool secure : {true, false}) {
    const std::string base = secure ? nginx_->httpsUrl(kLiveHost) : nginx_->httpUrl(kLiveHost);
    for (const char* path : {"/patch/VersionInfo.txt", "/patch/101/a.dll"}) {
      const Answer head = Request("HEAD", base + path);
      EXPECT_EQ(head.status, 200) << base << path;
      for (const char* method : {"POST", "PUT", "DELETE", "PATCH", "OPTIONS"}) {
        SCOPED_TRACE(std::string(method) + " " + base + path);
        const Answer answer = Request(method, base + path);
        EXPECT_EQ(answer.status, 405);
        EXPECT_EQ(HeaderOf(answer, "allow"), "GET, HEAD");
      }
    }
  }
  EXPECT_EQ(ReadFileBytes(liveTree_ / "VersionInfo.txt"), topBytes);
  EXPECT_EQ(ReadFileBytes(liveTree_ / "101" / "a.dll"), versionBytes);
}

TEST(NginxSiteConfiguration, RefusesAShippedFileWithoutItsSiteValues) {
  // The test would otherwise serve something other than what is shipped.
  EXPECT_THROW(SiteConfiguration("server { listen 443 ssl; }", "/l", "/s", "/c", "/k"), std::runtime_error);
}

}  // namespace
}  // namespace zefo::testing
