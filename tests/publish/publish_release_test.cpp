// Publishing the story's builds 101 to 104 and what installations make of it.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/publish/client_model.h"
#include "tests/publish/publish_scenario.h"
#include "tools/zefo-publish/platform.h"
#include "tools/zefo-publish/release.h"
#include "tools/zefo-publish/verify.h"
#include "updater/engine/formats/manifest_formats.h"
#include "updater/sys/md5.h"

namespace zefo::publish::testing {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> ListOf(const fs::path& root, std::int32_t version) {
  FileHandle file = OpenFile(root / std::to_string(version) / "download_info.txt", "rb");
  EXPECT_TRUE(file) << version;
  return file ? ReadDownloadList(file.get()) : std::vector<std::string>{};
}

std::map<std::string, std::string> HashesOf(const fs::path& root) {
  FileHandle file = OpenFile(root / "VersionHash.inf", "rb");
  std::map<std::string, std::string> hashes;
  const VersionHashContents contents = ReadVersionHashFile(file.get());
  EXPECT_TRUE(contents.complete);
  for (const auto& record : contents.records) hashes[record.name] = DigestToHex(record.digest);
  return hashes;
}

std::map<std::string, std::string> FullPatchOf(const fs::path& root) {
  FileHandle file = OpenFile(root / "FullPatchInfo.inf", "rb");
  std::map<std::string, std::string> records;  // install path -> remote path
  const FullPatchContents contents = ReadFullPatchFile(file.get());
  EXPECT_TRUE(contents.complete);
  for (const auto& record : contents.records) records[record.installPath] = record.remotePath;
  return records;
}

std::string Md5(const std::string& bytes) {
  MD5_hash hash;
  hash.update(reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<std::uint32_t>(bytes.size()));
  hash.finalize();
  return hash.digest2hexstring();
}

bool Publish(const fs::path& root, const fs::path& build, std::int32_t version, std::string* error = nullptr) {
  std::ostringstream log;
  std::vector<std::string> errors;
  const bool published = PublishRelease({root, build, version}, nullptr, log, &errors);
  if (error) *error = errors.empty() ? "" : errors.front();
  return published;
}

class StoryTest : public ::testing::Test {
 protected:
  void SetUp() override { PublishStory(root(), builds(), 104); }
  fs::path root() const { return scratch_.path() / "root"; }
  fs::path builds() const { return scratch_.path() / "builds"; }

  ScratchFolder scratch_;
};

TEST_F(StoryTest, ListsHoldWhatChangedWithTheUpdaterUnderItsDeliveryName) {
  using Names = std::vector<std::string>;
  EXPECT_EQ(ListOf(root(), 101), (Names{"ZEFOLauncher_New.exe", "a.dll", "data/keep.txt", "data/old.txt",
                                        "readme.txt", "x64/ZLauncher.exe", "x86/ZLauncher.exe"}));
  EXPECT_EQ(ListOf(root(), 102), (Names{"RemoveFiles.inf", "a.dll", "new/added.txt", "x64/ZLauncher.exe"}));
  // data/old.txt comes back with its old bytes: listed again, and the new
  // removal list no longer names it.
  EXPECT_EQ(ListOf(root(), 103), (Names{"RemoveFiles.inf", "ZEFOLauncher_New.exe", "data/old.txt"}));
  EXPECT_EQ(ListOf(root(), 104), (Names{"a.dll", "sub/deep/er/large.bin"}));

  EXPECT_EQ(ReadBytes(root() / "102/RemoveFiles.inf"), "[files]\ndata/old.txt\n");
  EXPECT_EQ(ReadBytes(root() / "103/RemoveFiles.inf"), "[files]\nreadme.txt\n");
  EXPECT_EQ(ReadBytes(root() / "103/ZEFOLauncher_New.exe"), "updater build 2");
  EXPECT_FALSE(fs::exists(root() / "103/ZEFOLauncher.exe"));
  EXPECT_EQ(ReadBytes(root() / "104/sub/deep/er/large.bin"), StoryBuilds().at(104).at("sub/deep/er/large.bin"));
  EXPECT_EQ(PublishedVersionOf(root()), 104);
}

TEST_F(StoryTest, ManifestsNameEveryFileAsTheUpdaterLooksItUp) {
  const auto hashes = HashesOf(root());
  // Deleted files keep their digests: installations older than the deletion
  // still fetch them from the versions that list them.
  EXPECT_EQ(hashes.at("ZEFOLauncher.exe"), Md5("updater build 2"));
  EXPECT_EQ(hashes.at("x64\\ZLauncher.exe"), Md5("launcher 64 v2"));
  EXPECT_EQ(hashes.at("readme.txt"), Md5("read me"));
  EXPECT_EQ(hashes.at("RemoveFiles.inf"), Md5("[files]\nreadme.txt\n"));
  EXPECT_EQ(hashes.count("ZEFOLauncher_New.exe"), 0u);

  const std::map<std::string, std::string> expected = {
      {"RemoveFiles.inf", "103/RemoveFiles.inf"},
      {"ZEFOLauncher_New.exe", "103/ZEFOLauncher_New.exe"},
      {"a.dll", "104/a.dll"},
      {"data\\keep.txt", "101/data/keep.txt"},
      {"data\\old.txt", "103/data/old.txt"},
      {"new\\added.txt", "102/new/added.txt"},
      {"sub\\deep\\er\\large.bin", "104/sub/deep/er/large.bin"},
      {"x64\\ZLauncher.exe", "102/x64/ZLauncher.exe"},
      {"x86\\ZLauncher.exe", "101/x86/ZLauncher.exe"},
  };
  EXPECT_EQ(FullPatchOf(root()), expected);
  EXPECT_TRUE(VerifyTree(root(), nullptr).empty());
}

TEST_F(StoryTest, EveryEarlierInstallationEndsWithExactlyTheNewestBuild) {
  const FileMap& newest = StoryBuilds().at(104);
  std::map<std::int32_t, FileMap> installations = {{99, {}}};
  for (std::int32_t version : {101, 102, 103}) installations[version] = StoryBuilds().at(version);
  for (const auto& [version, files] : installations) {
    FileMap installed = files;
    installed["user/settings.ini"] = "the user's own file";  // never published, so never removed
    FileMap expected = newest;
    expected["user/settings.ini"] = "the user's own file";

    const ClientOutcome update = UpdateLikeClient(root(), version, installed);
    ASSERT_TRUE(update.ok) << version << ": " << update.failure;
    EXPECT_EQ(DescribeDifference(update.program, expected), "") << "update from " << version;

    const ClientOutcome full = FullDownloadLikeClient(root(), installed);
    ASSERT_TRUE(full.ok) << version << ": " << full.failure;
    EXPECT_EQ(DescribeDifference(full.program, expected), "") << "full download from " << version;
  }
  EXPECT_EQ(DescribeDifference(UpdateLikeClient(root(), 104, newest).program, newest), "");
}

TEST(PublishRelease, SkippedVersionsGetEmptyListsAndAnUnchangedBuildListsNothing) {
  ScratchFolder scratch;
  const fs::path root = scratch.path() / "root";
  const fs::path build101 = BuildFolder(scratch.path() / "builds", 101);
  const fs::path build104 = BuildFolder(scratch.path() / "builds", 104);
  WriteFiles(build101, StoryBuilds().at(101));
  WriteFiles(build104, StoryBuilds().at(104));
  ASSERT_TRUE(Publish(root, build101, 101));
  ASSERT_TRUE(Publish(root, build101, 102));
  EXPECT_TRUE(ListOf(root, 102).empty());
  ASSERT_TRUE(Publish(root, build104, 106));

  for (std::int32_t skipped : {103, 104, 105}) {
    EXPECT_EQ(ReadBytes(root / std::to_string(skipped) / "download_info.txt"), "") << skipped;
  }
  EXPECT_TRUE(VerifyTree(root, nullptr).empty());
  const ClientOutcome update = UpdateLikeClient(root, 101, StoryBuilds().at(101));
  ASSERT_TRUE(update.ok) << update.failure;
  EXPECT_EQ(DescribeDifference(update.program, StoryBuilds().at(104)), "");
}

TEST(PublishRelease, RemovalListsIgnoreLetterCaseAsInstallationsDo) {
  ScratchFolder scratch;
  const fs::path root = scratch.path() / "root";
  const FileMap first = {{"ZEFOLauncher.exe", "u"}, {"Docs/Guide.TXT", "guide"}, {"Gone/Old.DAT", "old"}};
  const FileMap second = {{"ZEFOLauncher.exe", "u"}, {"docs/guide.txt", "guide"}};
  WriteFiles(scratch.path() / "b1", first);
  WriteFiles(scratch.path() / "b2", second);
  ASSERT_TRUE(Publish(root, scratch.path() / "b1", 101));
  ASSERT_TRUE(Publish(root, scratch.path() / "b2", 102));

  // The renamed file is the same file on Windows: it is delivered under its
  // new name and never removed.
  EXPECT_EQ(ReadBytes(root / "102/RemoveFiles.inf"), "[files]\ngone/old.dat\n");
  EXPECT_EQ(ListOf(root, 102), (std::vector<std::string>{"RemoveFiles.inf", "docs/guide.txt"}));
  EXPECT_TRUE(VerifyTree(root, nullptr).empty());
}

TEST(PublishRelease, PublishesIntoAMissingRootAndReportsWhatItDid) {
  ScratchFolder scratch;
  const fs::path root = scratch.path() / "a" / "new" / "root";
  WriteFiles(scratch.path() / "b", StoryBuilds().at(101));
  std::ostringstream log;
  std::vector<std::string> errors;
  ASSERT_TRUE(PublishRelease({root, scratch.path() / "b", 101}, nullptr, log, &errors));
  EXPECT_NE(log.str().find("published version 101: 7 new or changed file(s), 0 unchanged"), std::string::npos)
      << log.str();
  EXPECT_NE(log.str().find("101/ZEFOLauncher_New.exe"), std::string::npos) << log.str();
  EXPECT_TRUE(VerifyTree(root, nullptr).empty());
}

// A build file rewritten while the release runs: one the published build had
// was read before copying, and a copy that differs is refused; a new one is
// published as copied, with the digest of the bytes copied.
TEST(PublishRelease, BuildFilesChangedWhileBeingPublished) {
  const FileMap first = {{"ZEFOLauncher.exe", "u"}, {"data/kept.txt", "kept 1"}};
  const FileMap second = {{"ZEFOLauncher.exe", "u"}, {"data/kept.txt", "kept 2"}, {"data/new.txt", "new 1"}};
  struct Case {
    const char* rewritten;
    bool published;
  };
  for (const Case& c : {Case{"data/kept.txt", false}, Case{"data/new.txt", true}}) {
    SCOPED_TRACE(c.rewritten);
    ScratchFolder scratch;
    const fs::path root = scratch.path() / "root";
    WriteFiles(scratch.path() / "b1", first);
    WriteFiles(scratch.path() / "b2", second);
    ASSERT_TRUE(Publish(root, scratch.path() / "b1", 101));

    const std::string rewritten = "rewritten";
    std::ostringstream log;
    std::vector<std::string> errors;
    const bool published = PublishRelease(
        {root, scratch.path() / "b2", 102},
        [&](const std::string& step) {
          if (step == std::string("copy 102/") + c.rewritten) WriteBytes(scratch.path() / "b2" / c.rewritten, rewritten);
        },
        log, &errors);
    ASSERT_EQ(published, c.published) << (errors.empty() ? "" : errors.front());
    EXPECT_TRUE(VerifyTree(root, nullptr).empty());
    FileMap expected = c.published ? second : first;
    if (c.published) {
      expected[c.rewritten] = rewritten;
      EXPECT_EQ(HashesOf(root).at("data\\new.txt"), Md5(rewritten));
    } else {
      ASSERT_FALSE(errors.empty());
      EXPECT_NE(errors.front().find("changed while it was being published"), std::string::npos) << errors.front();
    }
    const ClientOutcome update = UpdateLikeClient(root, 101, first);
    ASSERT_TRUE(update.ok) << update.failure;
    EXPECT_EQ(DescribeDifference(update.program, expected), "");
  }
}

}  // namespace
}  // namespace zefo::publish::testing
