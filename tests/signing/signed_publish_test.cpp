// zefo-publish with a signing key: the key file, signed releases and their
// switch, re-signing, and what verify says about signatures and expiry.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "tests/publish/publish_scenario.h"
#include "tests/signing/test_release_key.h"
#include "tools/zefo-publish/publish_names.h"
#include "tools/zefo-publish/release.h"
#include "tools/zefo-publish/resign.h"
#include "tools/zefo-publish/signing_key.h"
#include "tools/zefo-publish/verify.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace zefo::publish::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using zefo::testing::kTestReleasePublicKey;
using zefo::testing::TestSigningKey;

constexpr std::int64_t kDay = 86400;
using Problems = std::vector<std::string>;

// Thrown by the step observer: the release ends where it stands, as if the
// process had been killed.
struct Killed {};

ReleaseKey TestPublicKey() { return *ParseReleaseKey(kTestReleasePublicKey); }

// Every manifest a signed updater fetches from a tree publishing 104.
std::vector<std::string> SignedManifests() {
  std::vector<std::string> names = {"VersionInfo.txt", "VersionHash.inf", "FullPatchInfo.inf"};
  for (int version = 100; version <= 104; ++version) names.push_back(std::to_string(version) + "/download_info.txt");
  return names;
}

class SignedPublishTest : public ::testing::Test {
 protected:
  fs::path root() const { return scratch_.path() / "root"; }
  fs::path builds() const { return scratch_.path() / "builds"; }

  bool Release(std::int32_t version, const SigningKey* key, std::string* log = nullptr,
               std::vector<std::string>* errors = nullptr, const StepObserver& observer = nullptr) {
    WriteFiles(BuildFolder(builds(), version), StoryBuilds().at(version));
    ReleaseRequest request{root(), BuildFolder(builds(), version), version};
    request.signingKey = key;
    if (key != nullptr) request.expiresUtc = expires_;
    std::ostringstream out;
    std::vector<std::string> ignored;
    const bool published = PublishRelease(request, observer, out, errors != nullptr ? errors : &ignored);
    if (log) *log = out.str();
    return published;
  }
  void PublishUpTo103() {
    for (std::int32_t version : {101, 102, 103}) ASSERT_TRUE(Release(version, &TestSigningKey())) << version;
  }
  void PublishAll(const SigningKey* key) {
    for (const auto& [version, files] : StoryBuilds()) ASSERT_TRUE(Release(version, key)) << version;
  }
  bool Resign(std::optional<std::int64_t> expires, std::string* log = nullptr,
              std::vector<std::string>* errors = nullptr) {
    std::ostringstream out;
    std::vector<std::string> ignored;
    const bool done = ResignTree({root(), &TestSigningKey(), expires}, out, errors != nullptr ? errors : &ignored);
    if (log) *log = out.str();
    return done;
  }
  Problems Verify(std::int64_t now = NowUtcSeconds()) const {
    return VerifyTree(root(), nullptr, TestPublicKey(), now);
  }

  ScratchFolder scratch_;
  std::int64_t expires_ = NowUtcSeconds() + 7 * kDay;
};

TEST_F(SignedPublishTest, KeyFileIsWrittenOnceAndReadBack) {
  const fs::path path = scratch_.path() / "release.key";
  SigningKey made;
  std::string error;
  ASSERT_TRUE(made.Create(path, &error)) << error;
  const std::string hex = made.PublicKeyHex();
  EXPECT_EQ(hex.size(), 64u);
  EXPECT_EQ(hex.find_first_not_of("0123456789abcdef"), std::string::npos) << hex;
#ifndef _WIN32
  struct stat status {};
  ASSERT_EQ(stat(path.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);
#endif

  const std::string bytes = ReadBytes(path);
  SigningKey again;
  EXPECT_FALSE(again.Create(path, &error));
  EXPECT_THAT(error, HasSubstr("exists already"));
  EXPECT_EQ(ReadBytes(path), bytes) << "an existing key is never overwritten";

  SigningKey loaded;
  ASSERT_TRUE(loaded.Load(path, &error)) << error;
  EXPECT_EQ(loaded.PublicKeyHex(), made.PublicKeyHex());
  EXPECT_TRUE(SignatureMatches(made.publicKey(), "bytes", loaded.Sign("bytes")));
}

TEST_F(SignedPublishTest, DamagedKeyFilesAreRefused) {
  const fs::path good = scratch_.path() / "good.key";
  zefo::testing::WriteTestKeyFile(good);
  const std::string text = ReadBytes(good);
  std::string otherPublic = text;
  otherPublic[otherPublic.size() - 2] = otherPublic[otherPublic.size() - 2] == '0' ? '1' : '0';
  std::string shortSeed = text;
  shortSeed.erase(text.find("seed ") + 5, 1);
  for (const std::string& bad : {std::string(), std::string(kTestReleasePublicKey) + "\n", otherPublic, shortSeed,
                                 text.substr(text.find('\n') + 1)}) {
    WriteBytes(scratch_.path() / "bad.key", bad);
    SigningKey key;
    std::string error;
    EXPECT_FALSE(key.Load(scratch_.path() / "bad.key", &error)) << bad;
    EXPECT_FALSE(error.empty());
  }
  SigningKey missing;
  std::string error;
  EXPECT_FALSE(missing.Load(scratch_.path() / "none.key", &error));
}

TEST_F(SignedPublishTest, SignedReleaseSignsEveryManifestItWrites) {
  PublishAll(&TestSigningKey());

  for (const std::string& name : SignedManifests()) {
    const std::string bytes = ReadBytes(root() / fs::u8path(name));
    const std::string signature = ReadBytes(SignaturePath(root() / fs::u8path(name)));
    EXPECT_TRUE(SignatureMatches(TestPublicKey(), bytes, signature)) << name;
  }
  EXPECT_EQ(ReadBytes(root() / "VersionInfo.txt"), "104\n" + FormatExpiryLine(expires_) + "\n");
  EXPECT_EQ(Verify(), Problems{});
  EXPECT_EQ(VerifyTree(root(), nullptr), Problems{}) << "the tree itself is as an unsigned one";
  // No signature is left under a temporary name.
  for (const auto& entry : fs::recursive_directory_iterator(root())) {
    EXPECT_EQ(entry.path().u8string().find(kTemporarySuffix), std::string::npos) << entry.path();
  }
}

TEST_F(SignedPublishTest, VerifyNamesEachSignatureProblem) {
  PublishAll(&TestSigningKey());
  fs::remove(root() / "102" / "download_info.txt.sig");
  std::string signature = ReadBytes(root() / "VersionHash.inf.sig");
  signature[10] ^= 0x01;
  WriteBytes(root() / "VersionHash.inf.sig", signature);

  EXPECT_THAT(Verify(), ElementsAre(HasSubstr("VersionHash.inf.sig does not verify"),
                                    "102/download_info.txt.sig is missing"));
  EXPECT_THAT(Verify(expires_), ElementsAre(HasSubstr("VersionHash.inf.sig"), HasSubstr("102/"),
                                            HasSubstr("VersionInfo.txt has expired")));

  ReleaseKey other = TestPublicKey();
  other[5] ^= 0x40;
  EXPECT_EQ(VerifyTree(root(), nullptr, other).size(), SignedManifests().size());

  WriteBytes(root() / "VersionInfo.txt", "104\nexpires=soon\n");
  zefo::testing::SignWithTestKey(root() / "VersionInfo.txt");
  EXPECT_THAT(Verify(), ::testing::Contains(HasSubstr("second line is not an expiry")));
}

TEST_F(SignedPublishTest, ResignRenewsTheExpiryAndSignsWhatLacksASignature) {
  PublishAll(nullptr);
  EXPECT_EQ(Verify().size(), SignedManifests().size());

  std::string log;
  const std::int64_t later = NowUtcSeconds() + 30 * kDay;
  ASSERT_TRUE(Resign(later, &log));
  EXPECT_THAT(log, HasSubstr("signed 104/download_info.txt"));
  EXPECT_EQ(ReadBytes(root() / "VersionInfo.txt"), "104\n" + FormatExpiryLine(later) + "\n");
  EXPECT_EQ(Verify(), Problems{});
  EXPECT_EQ(VerifyTree(root(), nullptr), Problems{});

  // Again without an expiry: the lists are signed already and stay as they are.
  const std::string listSignature = ReadBytes(root() / "103" / "download_info.txt.sig");
  ASSERT_TRUE(Resign(std::nullopt, &log));
  EXPECT_THAT(log, ::testing::Not(HasSubstr("download_info.txt")));
  EXPECT_EQ(ReadBytes(root() / "VersionInfo.txt"), "104\n");
  EXPECT_EQ(ReadBytes(root() / "103" / "download_info.txt.sig"), listSignature);
  EXPECT_EQ(Verify(NowUtcSeconds() + 3650 * kDay), Problems{});

  // Leftovers of a resign stopped before its switch (it writes "VersionInfo.txt" last) go first.
  WriteBytes(fs::path(root() / "VersionHash.inf.sig") += kTemporarySuffix, "half");
  WriteBytes(fs::path(root() / "FullPatchInfo.inf.sig") += kTemporarySuffix, "");
  ASSERT_TRUE(Resign(later, &log));
  EXPECT_THAT(log, HasSubstr("removed the leftover VersionHash.inf.sig.zefo-publish-tmp"));
  EXPECT_EQ(VerifyTree(root(), nullptr), Problems{});
  EXPECT_EQ(Verify(), Problems{});

  // A damaged tree is never vouched for.
  fs::remove(root() / "104" / "a.dll");
  const std::string info = ReadBytes(root() / "VersionInfo.txt");
  const std::string infoSignature = ReadBytes(root() / "VersionInfo.txt.sig");
  std::vector<std::string> errors;
  EXPECT_FALSE(Resign(later + kDay, nullptr, &errors));
  EXPECT_THAT(errors, ::testing::Contains(HasSubstr("104/a.dll")));
  EXPECT_EQ(ReadBytes(root() / "VersionInfo.txt"), info);
  EXPECT_EQ(ReadBytes(root() / "VersionInfo.txt.sig"), infoSignature);
}

TEST_F(SignedPublishTest, FirstSignedReleaseOnAnUnsignedTreeNamesWhatResignMustSign) {
  for (std::int32_t version : {101, 102, 103}) ASSERT_TRUE(Release(version, nullptr)) << version;
  std::string log;
  ASSERT_TRUE(Release(104, &TestSigningKey(), &log));
  EXPECT_THAT(log, HasSubstr("4 earlier version list(s) have no signature"));
  EXPECT_THAT(Verify(), ElementsAre("100/download_info.txt.sig is missing", "101/download_info.txt.sig is missing",
                                    "102/download_info.txt.sig is missing", "103/download_info.txt.sig is missing"));
  ASSERT_TRUE(Resign(expires_));
  EXPECT_EQ(Verify(), Problems{});
}

TEST_F(SignedPublishTest, SignedRootRefusesUnsignedAndOtherKeysReleases) {
  PublishUpTo103();
  const fs::path otherKeyFile = scratch_.path() / "other.key";
  SigningKey otherKey;
  std::string error;
  ASSERT_TRUE(otherKey.Create(otherKeyFile, &error)) << error;

  std::vector<std::string> errors;
  EXPECT_FALSE(Release(104, nullptr, nullptr, &errors));
  EXPECT_THAT(errors, ::testing::Contains(HasSubstr("publish with --sign")));
  errors.clear();
  EXPECT_FALSE(Release(104, &otherKey, nullptr, &errors));
  EXPECT_THAT(errors, ::testing::Contains(HasSubstr("does not verify with this key")));
  EXPECT_EQ(ReadBytes(root() / "VersionInfo.txt").substr(0, 4), "103\n");
  EXPECT_EQ(Verify(), Problems{});
}

// A signed release stopped before any of its steps, or inside its switch,
// leaves a tree a signed updater accepts, and the next one finishes.
TEST_F(SignedPublishTest, StoppedSignedReleaseLeavesASignedTree) {
  PublishUpTo103();
  const fs::path pristine = scratch_.path() / "pristine";
  fs::copy(root(), pristine, fs::copy_options::recursive);
  auto restore = [&] {
    fs::remove_all(root());
    fs::copy(pristine, root(), fs::copy_options::recursive);
  };

  std::vector<std::string> steps;
  ASSERT_TRUE(Release(104, &TestSigningKey(), nullptr, nullptr, [&](const std::string& s) { steps.push_back(s); }));
  EXPECT_THAT(steps, ::testing::Contains("write 104/download_info.txt.sig"));
  for (std::size_t stop = 0; stop < steps.size(); ++stop) {
    restore();
    std::size_t seen = 0;
    try {
      Release(104, &TestSigningKey(), nullptr, nullptr, [&](const std::string&) {
        if (seen++ == stop) throw Killed{};
      });
    } catch (const Killed&) {
    }
    const std::string when = "stopped before \"" + steps[stop] + "\"";
    EXPECT_EQ(ReadBytes(root() / "VersionInfo.txt").substr(0, 4), "103\n") << when;
    // Leftovers are reported, but every signature a client meets holds.
    for (const std::string& problem : Verify()) EXPECT_THAT(problem, HasSubstr("unfinished release")) << when;
    ASSERT_TRUE(Release(104, &TestSigningKey())) << when;
    EXPECT_EQ(Verify(), Problems{}) << when;
  }

  // Inside the switch, after each rename in turn.
  const std::vector<std::string> switched = {"VersionHash.inf.sig", "VersionHash.inf", "FullPatchInfo.inf.sig",
                                             "FullPatchInfo.inf", "VersionInfo.txt.sig"};
  for (std::size_t renamed = 1; renamed <= switched.size(); ++renamed) {
    restore();
    try {
      Release(104, &TestSigningKey(), nullptr, nullptr, [](const std::string& step) {
        if (step == "switch to version 104") throw Killed{};
      });
    } catch (const Killed&) {
    }
    for (std::size_t i = 0; i < renamed; ++i) {
      fs::rename(fs::path(root() / switched[i]) += kTemporarySuffix, root() / switched[i]);
    }
    std::string log;
    EXPECT_FALSE(Release(104, &TestSigningKey(), &log)) << "104 is published by then";
    EXPECT_THAT(log, HasSubstr("finished the switch to version 104")) << renamed;
    EXPECT_EQ(Verify(), Problems{}) << renamed;
  }
}

}  // namespace
}  // namespace zefo::publish::testing
