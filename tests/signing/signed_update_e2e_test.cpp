// The engine against signed trees on the loopback patch server: a signed
// tree updates an updater built with the key; a tree made without the key,
// served on the plain address while the secure one is blocked, is refused
// manifest by manifest with nothing installed; an expired release is refused;
// an updater without a key is unaffected by signatures.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "tests/publish/publish_scenario.h"
#include "tests/signing/test_release_key.h"
#include "tests/support/update_run_fixture.h"
#include "tools/zefo-publish/release.h"
#include "updater/engine/release_signature.h"
#include "updater/sys/last_error.h"
#include "updater/sys/text.h"

namespace zefo::testing {
namespace {

namespace fs = std::filesystem;
using publish::testing::BuildFolder;
using publish::testing::DescribeDifference;
using publish::testing::FileMap;
using publish::testing::ReadBytes;
using publish::testing::ReadFiles;
using publish::testing::ScratchFolder;
using publish::testing::StoryBuilds;
using publish::testing::WriteBytes;
using publish::testing::WriteFiles;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;

constexpr std::int64_t kDay = 86400;

// The story's builds up to 104 published into `root`, signed with the test
// key when `signedRelease`, each "VersionInfo.txt" expiring a week from now.
void PublishStoryTree(const fs::path& root, const fs::path& builds, bool signedRelease) {
  for (const auto& [version, files] : StoryBuilds()) {
    WriteFiles(BuildFolder(builds, version), files);
    publish::ReleaseRequest request{root, BuildFolder(builds, version), version};
    if (signedRelease) {
      request.signingKey = &TestSigningKey();
      request.expiresUtc = NowUtcSeconds() + 7 * kDay;
    }
    std::ostringstream log;
    std::vector<std::string> errors;
    ASSERT_TRUE(publish::PublishRelease(request, nullptr, log, &errors))
        << "publishing " << version << ": " << (errors.empty() ? "" : errors.front());
  }
}

// The program folder's files, without the scratch folder the run leaves.
FileMap InstalledFiles(const fs::path& folder) {
  FileMap files = ReadFiles(folder);
  for (auto it = files.begin(); it != files.end();) {
    it = it->first.rfind("Output/", 0) == 0 ? files.erase(it) : std::next(it);
  }
  return files;
}

// Secure base on a port nothing listens on any more (the blocked port 443),
// plain base on the loopback server, and the test key.
Endpoints SignedEndpoints(const PatchServer& server, const WebhookReceiver& hook, bool secureBlocked) {
  Endpoints endpoints = LoopbackEndpoints(server, hook);
  if (secureBlocked) {
    std::string closed;
    {
      TempFolder nothing;
      PatchServer gone(nothing.path().string());
      closed = gone.httpsUrl();
    }
    endpoints.liveSecureBase = ToWideString(closed + "/patch");
  }
  endpoints.releasePublicKey = kTestReleasePublicKey;
  return endpoints;
}

class SignedUpdateTest : public UpdateRunTest {
 protected:
  explicit SignedUpdateTest(bool secureBlocked = false)
      : signed_(SignedEndpoints(server_, hook_, secureBlocked)) {}

  void Install101() {
    WriteFiles(program_.path(), StoryBuilds().at(101));
    InstallLauncher(101);
  }
  void RunSignedUpdate(ScriptedWindow& window) {
    signed_.CheckInstallation(window);
    UpdateWorker(signed_, &window);
  }
  // What the engine does after "file recovery" was chosen in a failure box.
  void RunSignedFullDownload(ScriptedWindow& window) {
    signed_.CheckInstallation(window);
    ASSERT_TRUE(signed_.CheckVersion(window));
    FullDownloadWorker(signed_, &window);
  }
  void ExpectNothingInstalled() {
    EXPECT_EQ(ReadVersionValue(kLiveKey), 101);
    EXPECT_EQ(DescribeDifference(InstalledFiles(program_.path()), StoryBuilds().at(101)), "");
  }
  bool FetchedAnySignature() const {
    const auto paths = FetchedPaths();
    return std::any_of(paths.begin(), paths.end(), [](const std::string& path) {
      return path.size() > 4 && path.compare(path.size() - 4, 4, ".sig") == 0;
    });
  }

  ScratchFolder builds_;
  PatchManager signed_;
};

TEST_F(SignedUpdateTest, SignedTreeUpdatesEveryWay) {
  PublishStoryTree(live_.base(), builds_.path(), true);
  for (const bool fullDownload : {false, true}) {
    SCOPED_TRACE(fullDownload ? "full download" : "update");
    ScriptedWindow window;
    fs::remove_all(program_.path() / "Output");
    Install101();
    server_.ClearRequests();

    if (fullDownload) {
      RunSignedFullDownload(window);
    } else {
      RunSignedUpdate(window);
    }

    EXPECT_TRUE(window.Boxes().empty()) << "no failure box";
    EXPECT_TRUE(Reports().empty());
    EXPECT_EQ(window.Posts(), std::vector<WindowMessage>{WindowMessage::kUpdateRestart});  // 103 brought an updater
    EXPECT_EQ(ReadVersionValue(kLiveKey), 104);
    EXPECT_EQ(FetchCount("/patch/VersionInfo.txt.sig"), 1);
    if (fullDownload) {
      EXPECT_EQ(FetchCount("/patch/FullPatchInfo.inf.sig"), 1);
    } else {
      EXPECT_EQ(FetchCount("/patch/VersionHash.inf.sig"), 1);
      for (const char* version : {"102", "103", "104"}) {
        EXPECT_EQ(FetchCount(std::string("/patch/") + version + "/download_info.txt.sig"), 1) << version;
      }
      EXPECT_EQ(ReadBytes(program_.path() / "a.dll"), StoryBuilds().at(104).at("a.dll"));
    }
  }
}

TEST_F(SignedUpdateTest, UnsignedUpdaterTakesASignedTreeWithoutFetchingSignatures) {
  PublishStoryTree(live_.base(), builds_.path(), true);
  Install101();

  RunUpdate();  // the fixture's manager has no key

  EXPECT_TRUE(window_.Boxes().empty());
  EXPECT_EQ(ReadVersionValue(kLiveKey), 104);
  EXPECT_FALSE(FetchedAnySignature());
}

TEST_F(SignedUpdateTest, SignedUpdaterRefusesAnUnsignedTree) {
  PublishStoryTree(live_.base(), builds_.path(), false);
  Install101();
  window_.QueueAnswers({MessageBoxDlg::kConfirm});

  RunSignedUpdate(window_);

  const auto boxes = window_.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_THAT(boxes[0].message, StartsWith(L"Launcher patch failed.\n[ "));
  EXPECT_THAT(boxes[0].message, HasSubstr(L"signature missing"));
  EXPECT_THAT(boxes[0].message, EndsWith(L" / VersionInfo.txt"));
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_THAT(Reports()[0], HasSubstr("signature missing"));
  EXPECT_EQ(FetchCount("/patch/VersionHash.inf"), 0);
  ExpectNothingInstalled();
}

// The signed tree with a "VersionInfo.txt" the key signed, whose expiry line
// is given: a replayed old release, or one whose expiry cannot be read.
TEST_F(SignedUpdateTest, ExpiredOrUnreadableExpiryIsRefused) {
  PublishStoryTree(live_.base(), builds_.path(), true);
  for (const std::string& second : {FormatExpiryLine(NowUtcSeconds() - kDay), FormatExpiryLine(NowUtcSeconds() - 1),
                                    std::string("expires=next week")}) {
    SCOPED_TRACE(second);
    ScriptedWindow window;
    hook_.ClearRequests();
    Install101();
    const fs::path info = live_.base() / "VersionInfo.txt";
    WriteBytes(info, "104\n" + second + "\n");
    SignWithTestKey(info);

    RunSignedUpdate(window);

    const auto boxes = window.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_THAT(boxes[0].message, HasSubstr(L"release expired"));
    EXPECT_THAT(boxes[0].message, EndsWith(L" / VersionInfo.txt"));
    ASSERT_EQ(Reports().size(), 1u);
    EXPECT_THAT(Reports()[0], HasSubstr("release expired"));
    ExpectNothingInstalled();
  }
}

// How the tree on the plain address forges one manifest.
enum class Forgery { kNoSignature, kOtherFilesSignature, kFlippedByte };

struct Attack {
  const char* manifest;  // below the base
  Forgery forgery;
};

void PrintTo(const Attack& attack, std::ostream* os) {
  static const char* const kNames[] = {"no signature", "another file's signature", "a flipped byte"};
  *os << attack.manifest << " with " << kNames[static_cast<int>(attack.forgery)];
}

class ForgedTreeTest : public SignedUpdateTest, public ::testing::WithParamInterface<Attack> {
 protected:
  ForgedTreeTest() : SignedUpdateTest(true) {}

  // The publisher's signed tree, with one manifest forged by someone without
  // the key: everything else, files and digests included, stays consistent.
  void ServeForgedTree() {
    PublishStoryTree(live_.base(), builds_.path(), true);
    const fs::path manifest = live_.base() / GetParam().manifest;
    const fs::path signature = publish::SignaturePath(manifest);
    switch (GetParam().forgery) {
      case Forgery::kNoSignature: fs::remove(signature); break;
      case Forgery::kOtherFilesSignature:
        WriteBytes(signature, ReadBytes(live_.base() / "101" / "download_info.txt.sig"));
        break;
      case Forgery::kFlippedByte: {
        std::string bytes = ReadBytes(manifest);
        bytes[bytes.size() / 2] ^= 0x01;
        WriteBytes(manifest, bytes);
        break;
      }
    }
  }

  std::uint32_t ExpectedCode() const {
    return ToErrorCode(GetParam().forgery == Forgery::kNoSignature ? ZefoError::kSignatureMissing
                                                                   : ZefoError::kSignatureInvalid);
  }
  std::string ExpectedError() const {
    return GetParam().forgery == Forgery::kNoSignature ? "signature missing" : "signature invalid";
  }
};

TEST_P(ForgedTreeTest, EndsInTheFailureBoxWithNothingInstalled) {
  ServeForgedTree();
  Install101();
  window_.QueueAnswers({MessageBoxDlg::kConfirm});
  const std::string manifest = GetParam().manifest;

  if (manifest == "FullPatchInfo.inf") {
    RunSignedFullDownload(window_);
  } else {
    RunSignedUpdate(window_);
  }

  const auto boxes = window_.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  const std::wstring wideError = ToWideString(ExpectedError());
  if (manifest == "VersionHash.inf") {
    // Without digests, the first file fails its check (and says so).
    EXPECT_THAT(boxes[0].message, StartsWith(L"The file has been tampered with. please try again."));
    EXPECT_TRUE(boxes[0].twoButtons);
  } else {
    // The full download's box has no line break before the code.
    EXPECT_THAT(boxes[0].message, StartsWith(L"Launcher patch failed."));
    EXPECT_THAT(boxes[0].message, HasSubstr(L"[ " + std::to_wstring(ExpectedCode()) + L" ] / " + wideError));
    const std::wstring shownName = ToWideString(manifest.substr(manifest.find('/') + 1));
    EXPECT_THAT(boxes[0].message, HasSubstr(shownName));
  }
  const auto reports = Reports();
  ASSERT_FALSE(reports.empty());
  EXPECT_THAT(reports[0], HasSubstr(ExpectedError()));
  EXPECT_THAT(reports[0], HasSubstr("/patch/" + manifest));
  ExpectNothingInstalled();
  // The signature came from the plain address, as the manifest did.
  const auto requests = server_.Requests();
  EXPECT_TRUE(std::any_of(requests.begin(), requests.end(), [&](const RecordedRequest& r) {
    return r.scheme == "http" && r.path == "/patch/" + manifest + ".sig";
  }));
}

INSTANTIATE_TEST_SUITE_P(
    EachManifestInTurn, ForgedTreeTest,
    ::testing::Values(Attack{"VersionInfo.txt", Forgery::kNoSignature},
                      Attack{"VersionInfo.txt", Forgery::kOtherFilesSignature},
                      Attack{"VersionInfo.txt", Forgery::kFlippedByte},
                      Attack{"103/download_info.txt", Forgery::kNoSignature},
                      Attack{"103/download_info.txt", Forgery::kOtherFilesSignature},
                      Attack{"103/download_info.txt", Forgery::kFlippedByte},
                      Attack{"VersionHash.inf", Forgery::kNoSignature},
                      Attack{"VersionHash.inf", Forgery::kOtherFilesSignature},
                      Attack{"VersionHash.inf", Forgery::kFlippedByte},
                      Attack{"FullPatchInfo.inf", Forgery::kNoSignature},
                      Attack{"FullPatchInfo.inf", Forgery::kOtherFilesSignature},
                      Attack{"FullPatchInfo.inf", Forgery::kFlippedByte}));

}  // namespace
}  // namespace zefo::testing
