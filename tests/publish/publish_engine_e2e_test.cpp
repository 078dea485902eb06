// The engine itself against a tree made by zefo-publish: every earlier
// installation, by the regular update or by the full download, ends with
// exactly the files of the newest build once the next start has tidied up.
#include <gtest/gtest.h>


#include "tests/publish/publish_scenario.h"
#include "tests/support/update_run_fixture.h"
#include "updater/engine/housekeeping.h"

namespace zefo::publish::testing {
namespace {

struct Start {
  std::int32_t installedVersion;
  bool fullDownload;
};

// The program folder, without the set-aside copies "<file>.old" that the
// installation leaves beside replaced executables in subfolders: the start-up
// tidying removes "*.old" only at the top and in folders named "*.old".
FileMap ProgramFiles(const std::filesystem::path& folder, const FileMap& build) {
  FileMap files = ReadFiles(folder);
  for (const auto& [name, bytes] : build) files.erase(name + ".old");
  return files;
}

void PrintTo(const Start& start, std::ostream* os) {
  *os << (start.fullDownload ? "full download from " : "update from ") << start.installedVersion;
}

class PublishEngineTest : public zefo::testing::UpdateRunTest, public ::testing::WithParamInterface<Start> {
 protected:
  // What the engine does after "file recovery" was chosen in a failure box.
  void RunFullDownload() {
    manager_.CheckInstallation(window_);
    ASSERT_TRUE(manager_.CheckVersion(window_));
    FullDownloadWorker(manager_, &window_);
  }

  ScratchFolder builds_;
};

TEST_P(PublishEngineTest, InstallationEndsWithTheNewestBuild) {
  PublishStory(live_.base(), builds_.path(), 104);
  const Start start = GetParam();
  const auto installed = StoryBuilds().find(start.installedVersion);
  if (installed != StoryBuilds().end()) WriteFiles(program_.path(), installed->second);
  InstallLauncher(start.installedVersion);

  if (start.fullDownload) {
    RunFullDownload();
  } else {
    RunUpdate();
  }
  EXPECT_TRUE(window_.Boxes().empty()) << "no failure box";
  // The updater changed in 103; a full download always delivers it anew.
  const bool newUpdater = start.fullDownload || start.installedVersion < 103;
  EXPECT_EQ(window_.Posts(), std::vector<WindowMessage>{newUpdater ? WindowMessage::kUpdateRestart
                                                                   : WindowMessage::kUpdateLaunch});
  EXPECT_EQ(zefo::testing::ReadVersionValue(zefo::testing::kLiveKey), 104);

  TidyProgramFolder();  // the next start
  EXPECT_EQ(DescribeDifference(ProgramFiles(program_.path(), StoryBuilds().at(104)), StoryBuilds().at(104)), "");
}

INSTANTIATE_TEST_SUITE_P(EveryEarlierVersion, PublishEngineTest,
                         ::testing::Values(Start{99, false}, Start{101, false}, Start{102, false},
                                           Start{103, false}, Start{99, true}, Start{101, true},
                                           Start{103, true}));

}  // namespace
}  // namespace zefo::publish::testing
