// Releases that must be refused, leaving ROOT exactly as it was.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "tests/publish/publish_scenario.h"
#include "tools/zefo-publish/publish_names.h"
#include "tools/zefo-publish/release.h"
#include "tools/zefo-publish/release_plan.h"

namespace zefo::publish::testing {
namespace {

namespace fs = std::filesystem;

// Every entry below `root`: files with their bytes, folders marked.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> entries;
  if (!fs::exists(root)) return entries;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string name = entry.path().lexically_relative(root).generic_u8string();
    entries[name] = entry.is_directory() ? "<folder>" : ReadBytes(entry.path());
  }
  return entries;
}

class RefusalTest : public ::testing::Test {
 protected:
  void SetUp() override { PublishStory(root(), builds(), 103); }
  fs::path root() const { return scratch_.path() / "root"; }
  fs::path builds() const { return scratch_.path() / "builds"; }
  fs::path build() const { return scratch_.path() / "build"; }

  // Publishes build() as `version`; expects a refusal naming `expected` and
  // ROOT unchanged.
  void ExpectRefused(std::int32_t version, const std::string& expected, const std::string& what) {
    const auto before = Snapshot(root());
    std::ostringstream log;
    std::vector<std::string> errors;
    EXPECT_FALSE(PublishRelease({root(), build(), version}, nullptr, log, &errors)) << what;
    std::string all;
    for (const std::string& error : errors) all += error + "\n";
    EXPECT_NE(all.find(expected), std::string::npos) << what << ": " << all;
    EXPECT_EQ(Snapshot(root()), before) << what;
  }

  ScratchFolder scratch_;
};

TEST_F(RefusalTest, VersionsNotAboveThePublishedOne) {
  WriteFiles(build(), StoryBuilds().at(104));
  ExpectRefused(103, "not above the published version 103", "same version");
  ExpectRefused(102, "not above the published version 103", "older version");
  ExpectRefused(103 + kMaxSkippedVersions + 2, "would skip", "a mistyped version");
}

TEST_F(RefusalTest, MissingOrEmptyBuilds) {
  ExpectRefused(104, "is not a folder", "missing build folder");
  fs::create_directories(build() / "only" / "folders");
  ExpectRefused(104, "holds no files", "build without files");
  WriteBytes(build() / "a.dll", "no updater");
  ExpectRefused(104, "has no ZEFOLauncher.exe", "build without the updater");
}

TEST_F(RefusalTest, NamesTheUpdaterCannotHandle) {
  struct Case {
    std::string name;
    std::string expected;
  };
  std::vector<Case> cases = {
      {"caf\xc3\xa9.txt", "not printable ASCII"},
      {"ZEFOLauncher_New.exe", "the publisher writes itself"},
      {"RemoveFiles.inf", "the publisher writes itself"},
      {"download_info.txt", "the publisher writes itself"},
      {"a.dll.zefo-publish-tmp", "kept for the publisher"},
  };
#ifndef _WIN32
  // Too long for Windows' own paths, in folders of a length Linux allows.
  std::string tooLong;
  while (tooLong.size() + 100 <= kMaxNameBytes) tooLong += std::string(99, 'd') + "/";
  tooLong += std::string(kMaxNameBytes + 1 - tooLong.size() - 4, 'f') + ".txt";
  cases.push_back({tooLong, "longer than"});
  // Names Windows cannot create at all, but a Linux build folder can hold.
  cases.push_back({"back\\slash.txt", "does not allow"});
  cases.push_back({"C:drive.txt", "does not allow"});
  cases.push_back({"trailing./x.txt", "ending in a dot"});
#endif
  for (const Case& c : cases) {
    fs::remove_all(build());
    WriteFiles(build(), StoryBuilds().at(104));
    WriteBytes(build() / fs::u8path(c.name), "x");
    ExpectRefused(104, c.expected, c.name);
  }
}

#ifndef _WIN32
TEST_F(RefusalTest, NamesThatDifferOnlyInLetterCase) {
  WriteFiles(build(), StoryBuilds().at(104));
  WriteBytes(build() / "A.DLL", "same file as a.dll on Windows");
  ExpectRefused(104, "differ only in letter case", "case collision");
}
#endif

TEST_F(RefusalTest, RootAndBuildInsideOneAnother) {
  WriteFiles(root() / "build", StoryBuilds().at(104));
  std::ostringstream log;
  std::vector<std::string> errors;
  EXPECT_FALSE(PublishRelease({root(), root() / "build", 104}, nullptr, log, &errors));
  EXPECT_FALSE(PublishRelease({root() / "104", root(), 104}, nullptr, log, &errors));
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_NE(errors.front().find("must not lie inside one another"), std::string::npos) << errors.front();
}

TEST_F(RefusalTest, InconsistentRoot) {
  WriteFiles(build(), StoryBuilds().at(104));
  fs::remove(root() / "102" / "download_info.txt");
  ExpectRefused(104, "102/download_info.txt is missing", "a missing list");
}

TEST(PublishRefusal, FirstVersionBelowWhatInstallationsStartFrom) {
  ScratchFolder scratch;
  WriteFiles(scratch.path() / "build", StoryBuilds().at(101));
  std::ostringstream log;
  std::vector<std::string> errors;
  EXPECT_FALSE(PublishRelease({scratch.path() / "root", scratch.path() / "build", 99}, nullptr, log, &errors));
  ASSERT_FALSE(errors.empty());
  EXPECT_NE(errors.front().find("below 100"), std::string::npos) << errors.front();
  EXPECT_FALSE(fs::exists(scratch.path() / "root"));
}

}  // namespace
}  // namespace zefo::publish::testing
