#include "updater/diag/log_upkeep.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace zefo {
namespace {

namespace fs = std::filesystem;

// The time of a local calendar date, so that the expected names hold in any
// time zone.
std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm fields = {};
  fields.tm_year = year - 1900;
  fields.tm_mon = month - 1;
  fields.tm_mday = day;
  fields.tm_hour = hour;
  fields.tm_min = minute;
  fields.tm_sec = second;
  fields.tm_isdst = -1;
  return std::mktime(&fields);
}

// A fresh program folder made the current folder for the test.
class LogUpkeepTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    folder_ = fs::temp_directory_path() /
              ("zefo-log-upkeep-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    fs::create_directories(folder_);
    previous_ = fs::current_path();
    fs::current_path(folder_);
  }
  void TearDown() override {
    fs::current_path(previous_);
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  void Write(const std::string& relative, const std::string& bytes = "x") const {
    const fs::path path = folder_ / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }
  std::string Read(const std::string& relative) const {
    std::ifstream in(folder_ / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  bool Exists(const std::string& relative) const { return fs::exists(folder_ / relative); }
  // Every file below the folder, '/' separated, sorted.
  std::vector<std::string> Files() const {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder_)) {
      if (entry.is_regular_file()) files.push_back(entry.path().lexically_relative(folder_).generic_string());
    }
    std::sort(files.begin(), files.end());
    return files;
  }

  fs::path folder_;
  fs::path previous_;
};

TEST_F(LogUpkeepTest, PrunesByNameAWeekBeforeNow) {
  Write("log/ZLauncher 240226235959.log");
  Write("log/ZLauncher 240227095959.log");
  Write("log/ZLauncher 240227100000.log");
  Write("log/ZLauncher 240305090000.log");
  Write("log/Update.log");       // 'U' sorts before 'Z'
  Write("log/launcher.log");     // small letters sort after capitals
  Write("log/old/ZLauncher 231201000000.log");  // subfolders are pruned too
  Write("dmp/ZLauncher 20240227095959.dmp");
  Write("dmp/ZLauncher 20240227100000.dmp");
  Write("Output/Launcher/download/a.dll");
  Write("Output/keep.txt");

  PruneLogsAndDumps(L"\\log\\", -7, LocalTime(2024, 3, 5, 10, 0, 0));

  EXPECT_EQ(Files(), (std::vector<std::string>{
                         "Output/keep.txt", "dmp/ZLauncher 20240227100000.dmp",
                         "log/ZLauncher 240227100000.log", "log/ZLauncher 240305090000.log",
                         "log/launcher.log"}));
  EXPECT_FALSE(Exists("log/old")) << "a folder left empty is removed";
  EXPECT_FALSE(Exists("Output/Launcher"));
}

// The boundary is the same clock time `dayOffset` days earlier, across month
// and year ends and leap days; a file one second older is deleted.
TEST_F(LogUpkeepTest, BoundaryCrossesMonthAndYearEnds) {
  struct Case {
    int year, month, day;
    const char* kept;     // 12-digit stamp of the boundary
    const char* deleted;  // one second earlier
    const char* keptDump;
  };
  const Case cases[] = {
      {2024, 3, 5, "240227100000", "240227095959", "20240227100000"},
      {2024, 3, 3, "240225100000", "240225095959", "20240225100000"},  // leap year
      {2023, 3, 3, "230224100000", "230224095959", "20230224100000"},
      {2024, 1, 3, "231227100000", "231227095959", "20231227100000"},
      {2024, 5, 1, "240424100000", "240424095959", "20240424100000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kept);
    const std::string kept = std::string("ZLauncher ") + c.kept + ".log";
    const std::string deleted = std::string("ZLauncher ") + c.deleted + ".log";
    const std::string keptDump = std::string("ZLauncher ") + c.keptDump + ".dmp";
    const std::string deletedDump = std::string("ZLauncher 20") + c.deleted + ".dmp";
    Write("log/ZLauncher/" + kept);
    Write("log/ZLauncher/" + deleted);
    Write("dmp/" + keptDump);
    Write("dmp/" + deletedDump);

    PruneLogsAndDumps(L"\\log\\ZLauncher\\", -7, LocalTime(c.year, c.month, c.day, 10, 0, 0));

    EXPECT_EQ(Files(), (std::vector<std::string>{"dmp/" + keptDump, "log/ZLauncher/" + kept}));
    fs::remove_all(folder_ / "log");
    fs::remove_all(folder_ / "dmp");
  }
}

TEST_F(LogUpkeepTest, EmptyLogFolderIsRemovedAndMadeAgain) {
  fs::create_directories(folder_ / "log" / "ZLauncher");
  const std::time_t now = LocalTime(2024, 3, 5, 10, 0, 0);
  PruneLogsAndDumps(L"\\log\\", -7, now);
  PruneLogsAndDumps(L"\\log\\ZLauncher\\", -7, now);
  EXPECT_FALSE(Exists("log"));

  MoveLegacyLogs();
  EXPECT_TRUE(fs::is_directory(folder_ / "log" / "ZLauncher"));
}

TEST_F(LogUpkeepTest, MovesStrayLogsWithoutOverwriting) {
  Write("log/a.log", "stray a");
  Write("log/b.log", "stray b");
  Write("log/ZLauncher/b.log", "kept b");
  Write("log/ZLauncher/c.log", "c");
  Write("log/sub/d.log", "d");  // its folder does not exist below ZLauncher
  Write("log/backlog/e.log", "e");

  MoveLegacyLogs();

  EXPECT_EQ(Files(), (std::vector<std::string>{"log/ZLauncher/a.log", "log/ZLauncher/b.log",
                                               "log/ZLauncher/c.log", "log/b.log",
                                               "log/backlog/e.log", "log/sub/d.log"}));
  EXPECT_EQ(Read("log/ZLauncher/a.log"), "stray a");
  EXPECT_EQ(Read("log/ZLauncher/b.log"), "kept b");
  EXPECT_EQ(Read("log/b.log"), "stray b");
}

TEST_F(LogUpkeepTest, MovesIntoExistingSubfolders) {
  Write("log/sub/d.log", "d");
  fs::create_directories(folder_ / "log" / "ZLauncher" / "sub");
  MoveLegacyLogs();
  EXPECT_EQ(Files(), (std::vector<std::string>{"log/ZLauncher/sub/d.log"}));
}

// Start-up goes on when the folders are not what they should be.
TEST_F(LogUpkeepTest, FoldersThatCannotBeMadeOrWalkedChangeNothing) {
  Write("log", "a file where the folder should be");
  EXPECT_NO_THROW(MoveLegacyLogs());
  EXPECT_EQ(Read("log"), "a file where the folder should be");
  fs::remove(folder_ / "log");

  Write("log/ZLauncher", "a file where the folder should be");
  Write("log/a.log", "a");
  EXPECT_NO_THROW(MoveLegacyLogs());
  EXPECT_EQ(Files(), (std::vector<std::string>{"log/ZLauncher", "log/a.log"}));

  EXPECT_NO_THROW(PruneLogsAndDumps(L"\\log\\", -7, LocalTime(2024, 3, 5, 10, 0, 0)));
}

}  // namespace
}  // namespace zefo
