// The start-up tidying of a program folder as earlier runs, the installer
// and the launcher leave it.
#include "updater/engine/housekeeping.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/test_folders.h"

namespace zefo {
namespace {

namespace fs = std::filesystem;
using testing::ListFiles;
using testing::ProgramFolder;

std::time_t LocalTime(int year, int month, int day, int hour) {
  std::tm fields = {};
  fields.tm_year = year - 1900;
  fields.tm_mon = month - 1;
  fields.tm_mday = day;
  fields.tm_hour = hour;
  fields.tm_isdst = -1;
  return std::mktime(&fields);
}

TEST(TidyProgramFolder, LeavesOnlyWhatTheNextRunNeeds) {
  ProgramFolder program;
  for (const char* kept : {"ZEFOLauncher.exe", "ZLauncher.exe", "libcurl.dll", "x64/ZLauncher.exe",
                           "x64/ZLauncher.exe.old",  // only top-level "*.old" files go
                           "Data/keep.txt", "log/ZLauncher/ZLauncher 240301120000.log",
                           "dmp/ZLauncher 20240301120000.dmp"}) {
    program.Write(kept, "keep");
  }
  for (const char* removed : {"ZEFOLauncher.exe_old", "ZLauncher.exe.old", "libcurl.dll.old", "zlib1.dll.old",
                              "backup.old/a.dll.old", "Output/Launcher/download/a.dll",
                              "Output/Launcher/FullPatchInfo.inf", "Output/other.txt",
                              "OldPlugins/p.dll", "Obsolete.TXT",
                              "log/ZLauncher/ZLauncher 240201120000.log", "log/Update.log",
                              "dmp/ZLauncher 20240201120000.dmp"}) {
    program.Write(removed, "remove");
  }
  program.Write("log/ZLauncher 240304120000.log", "stray");  // moved below log/ZLauncher
  program.Write("RemoveFiles.inf", "oldplugins\r\n\r\n[FILES]\r\nobsolete.txt\r\n..\\zefo-housekeeping-escape.txt\r\n");
  program.Write("../zefo-housekeeping-escape.txt", "outside");
  const fs::path escape = program.path().parent_path() / "zefo-housekeeping-escape.txt";

  TidyProgramFolder(LocalTime(2024, 3, 5, 10));

  EXPECT_EQ(ListFiles(program.path()),
            (std::vector<std::string>{"Data/keep.txt", "ZEFOLauncher.exe", "ZLauncher.exe",
                                      "dmp/ZLauncher 20240301120000.dmp", "libcurl.dll",
                                      "log/ZLauncher/ZLauncher 240301120000.log",
                                      "log/ZLauncher/ZLauncher 240304120000.log", "x64/ZLauncher.exe",
                                      "x64/ZLauncher.exe.old"}));
  EXPECT_EQ(program.Read("log/ZLauncher/ZLauncher 240304120000.log"), "stray");
  EXPECT_FALSE(program.Exists("Output"));
  EXPECT_FALSE(program.Exists("OldPlugins"));
  EXPECT_TRUE(fs::exists(escape));
  fs::remove(escape);
}

TEST(TidyProgramFolder, EmptyFolderGainsOnlyTheLogFolder) {
  ProgramFolder program;
  TidyProgramFolder(LocalTime(2024, 3, 5, 10));
  std::vector<std::string> entries;
  for (const auto& entry : fs::recursive_directory_iterator(program.path())) {
    entries.push_back(entry.path().lexically_relative(program.path()).generic_string());
  }
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries, (std::vector<std::string>{"log", "log/ZLauncher"}));
}

}  // namespace
}  // namespace zefo
