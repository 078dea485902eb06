#include "updater/engine/housekeeping.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/test_folders.h"
#include "tests/support/test_links.h"

namespace zefo {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;
using testing::WriteFileBytes;

// The start-up tidying removes "Output" and the "*.old" files of the program
// folder; links of those names, or inside them, go without what they point to.
TEST(HousekeepingTest, StartUpRemovalsNeverFollowLinks) {
  const struct {
    const char* name;
    std::vector<std::string> files;                           // below the temporary root
    std::vector<std::pair<std::string, std::string>> links;  // link -> target, below the root
    std::vector<std::string> after;  // every entry below the root but the log folders the upkeep makes
  } cases[] = {
      {"Output is a link", {"pictures/Launcher/download/p.png", "program/"}, {{"program/Output", "pictures"}},
       {"pictures/", "pictures/Launcher/", "pictures/Launcher/download/", "pictures/Launcher/download/p.png",
        "program/"}},
      {"links inside Output", {"program/Output/Launcher/a.dll", "pictures/p.png"},
       {{"program/Output/pics", "pictures"}, {"program/Output/Launcher/p.png", "pictures/p.png"}},
       {"pictures/", "pictures/p.png", "program/"}},
      {"links in the old sweep", {"program/real.old/", "pictures/p.old", "other.old"},
       {{"program/x.dll.old", "other.old"}, {"program/backup.old", "pictures"}, {"program/real.old/a.old", "other.old"},
        {"program/gone.old", "nothing"}},
       {"other.old", "pictures/", "pictures/p.old", "program/", "program/real.old/"}},
  };
  for (const auto& c : cases) {
    TempFolder root;
    for (const std::string& file : c.files) {
      if (file.back() == '/') {
        fs::create_directories(root.path() / file);
      } else {
        WriteFileBytes(root.path() / file, "x");
      }
    }
    for (const auto& [link, target] : c.links) {
      std::string why;
      if (!testing::MakeTestLink(root.path() / target, root.path() / link, &why)) {
        GTEST_SKIP() << "this system makes no symbolic links: " << why;
      }
    }
    const fs::path previous = fs::current_path();
    fs::current_path(root.path() / "program");
    TidyProgramFolder();
    fs::current_path(previous);
    std::vector<std::string> entries = testing::ListTree(root.path());
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [](const std::string& e) { return e.rfind("program/log/", 0) == 0; }),
                  entries.end());
    EXPECT_EQ(entries, c.after) << c.name;
  }
}

}  // namespace
}  // namespace zefo
