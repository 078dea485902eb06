// A release stopped at any point leaves ROOT at the old or at the new version
// as installations see it, and the next release carries on from there.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/publish/client_model.h"
#include "tests/publish/publish_scenario.h"
#include "tools/zefo-publish/publish_names.h"
#include "tools/zefo-publish/release.h"
#include "tools/zefo-publish/verify.h"

namespace zefo::publish::testing {
namespace {

namespace fs = std::filesystem;

// Thrown by the step observer: the release ends where it stands, without
// running any of its own failure handling, as if the process had been killed.
struct Killed {};

// Every installation of the story, updated and fully downloaded, ends with
// exactly the build of the version ROOT publishes.
void ExpectClientsSeeOneVersion(const fs::path& root, const std::string& when) {
  const std::int32_t published = PublishedVersionOf(root);
  ASSERT_TRUE(published == 103 || published == 104) << when << ": publishes " << published;
  const FileMap& expected = StoryBuilds().at(published);
  std::map<std::int32_t, FileMap> installations = {{99, {}}};
  for (const auto& [version, files] : StoryBuilds()) {
    if (version < published) installations[version] = files;
  }
  for (const auto& [version, files] : installations) {
    const ClientOutcome update = UpdateLikeClient(root, version, files);
    EXPECT_TRUE(update.ok) << when << ", update from " << version << ": " << update.failure;
    EXPECT_EQ(DescribeDifference(update.program, expected), "") << when << ", update from " << version;
    const ClientOutcome full = FullDownloadLikeClient(root, files);
    EXPECT_TRUE(full.ok) << when << ", full download from " << version << ": " << full.failure;
    EXPECT_EQ(DescribeDifference(full.program, expected), "") << when << ", full download from " << version;
  }
}

class InterruptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PublishStory(root(), builds(), 103);
    WriteFiles(BuildFolder(builds(), 104), StoryBuilds().at(104));
  }
  fs::path root() const { return scratch_.path() / "root"; }
  fs::path builds() const { return scratch_.path() / "builds"; }

  bool Release(const StepObserver& observer, std::string* log = nullptr) {
    std::ostringstream out;
    std::vector<std::string> errors;
    const bool published = PublishRelease({root(), BuildFolder(builds(), 104), 104}, observer, out, &errors);
    if (log) *log = out.str();
    return published;
  }

  ScratchFolder scratch_;
};

TEST_F(InterruptTest, StoppedBeforeEachStepThenReleasedAgain) {
  // The steps of the whole release, taken from a run in a copy of ROOT.
  std::vector<std::string> steps;
  {
    const fs::path original = scratch_.path() / "original";
    fs::copy(root(), original, fs::copy_options::recursive);
    ASSERT_TRUE(Release([&](const std::string& step) { steps.push_back(step); }));
    fs::remove_all(root());
    fs::rename(original, root());
  }
  ASSERT_GE(steps.size(), 8u);
  ASSERT_EQ(steps.back(), "switch to version 104");

  const fs::path pristine = scratch_.path() / "pristine";
  fs::copy(root(), pristine, fs::copy_options::recursive);
  for (std::size_t stop = 0; stop <= steps.size(); ++stop) {
    fs::remove_all(root());
    fs::copy(pristine, root(), fs::copy_options::recursive);
    const std::string when = stop < steps.size() ? "stopped before \"" + steps[stop] + "\"" : "after the release";
    std::size_t seen = 0;
    try {
      Release([&](const std::string&) {
        if (seen++ == stop) throw Killed{};
      });
    } catch (const Killed&) {
    }
    ExpectClientsSeeOneVersion(root(), when);
    EXPECT_EQ(PublishedVersionOf(root()), stop < steps.size() ? 103 : 104) << when;

    // The next release removes the leftovers and publishes as if nothing had happened.
    if (stop < steps.size()) {
      ASSERT_TRUE(Release(nullptr)) << when;
      EXPECT_EQ(VerifyTree(root(), nullptr), std::vector<std::string>{}) << when;
      ExpectClientsSeeOneVersion(root(), when + ", then released again");
      EXPECT_EQ(PublishedVersionOf(root()), 104) << when;
    }
  }
}

TEST_F(InterruptTest, StoppedWhileRemovingTheLeftoversOfAnEarlierStop) {
  try {
    Release([](const std::string& step) {
      if (step == "switch to version 104") throw Killed{};
    });
  } catch (const Killed&) {
  }
  const fs::path leftovers = scratch_.path() / "leftovers";
  fs::copy(root(), leftovers, fs::copy_options::recursive);
  for (std::size_t stop = 1;; ++stop) {
    fs::remove_all(root());
    fs::copy(leftovers, root(), fs::copy_options::recursive);
    std::size_t seen = 0;
    std::string last;
    try {
      Release([&](const std::string& step) {
        if (seen++ == stop) throw Killed{};
        last = step;
      });
    } catch (const Killed&) {
    }
    const std::string when = "stopped after \"" + last + "\"";
    ExpectClientsSeeOneVersion(root(), when);
    EXPECT_EQ(PublishedVersionOf(root()), 103) << when;
    ASSERT_TRUE(Release(nullptr)) << when;
    EXPECT_EQ(PublishedVersionOf(root()), 104) << when;
    if (last.rfind("remove leftover ", 0) != 0) break;  // every removal has been a stopping point
  }
}

TEST_F(InterruptTest, StoppedInsideTheSwitchIsFinishedByTheNextRelease) {
  try {
    Release([](const std::string& step) {
      if (step == "switch to version 104") throw Killed{};
    });
  } catch (const Killed&) {
  }
  // The first of the three renames happened, then the process was gone.
  fs::rename(fs::path(root() / "VersionHash.inf") += kTemporarySuffix, root() / "VersionHash.inf");
  EXPECT_FALSE(VerifyTree(root(), nullptr).empty());

  std::string log;
  EXPECT_FALSE(Release(nullptr, &log)) << "104 is published by then";
  EXPECT_NE(log.find("finished the switch to version 104"), std::string::npos) << log;
  EXPECT_EQ(VerifyTree(root(), nullptr), std::vector<std::string>{});
  ExpectClientsSeeOneVersion(root(), "after finishing the switch");
  EXPECT_EQ(PublishedVersionOf(root()), 104);
}

}  // namespace
}  // namespace zefo::publish::testing
