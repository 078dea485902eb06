#include "tools/zefo-publish/remove_list.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/test_folders.h"
#include "tools/zefo-publish/published_tree.h"
#include "tools/zefo-publish/tree_rules.h"

namespace zefo::publish {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// The publisher checks the removals the updater will make, so it must read
// the manifest as the updater does, lone carriage returns included.
TEST(RemoveListTest, ReadsLinesAsTheUpdaterDoes) {
  zefo::testing::TempFolder folder;
  const fs::path path = folder.path() / "RemoveFiles.inf";
  std::ofstream(path, std::ios::binary) << "[FILES]\ra.DLL\r\nb.txt\0ignored\n  \t\n[folders]\rold\r"s;
  RemoveList list;
  ASSERT_TRUE(ReadRemoveList(path, &list));
  EXPECT_EQ(list.files, (std::set<std::string>{"a.dll", "b.txt"}));
  EXPECT_EQ(list.folders, (std::set<std::string>{"old"}));
}

// A damaged manifest must not write control characters (a carriage return,
// a terminal's escape sequences) into the problems `verify` prints.
TEST(RemoveListTest, ProblemsNeverQuoteUnprintableEntries) {
  zefo::testing::TempFolder root;
  PublishedTree tree;
  tree.published = true;
  tree.version = 101;
  tree.removalsVersion = 101;
  tree.removals.files = {"..\\x\x1b[2j", "ok.dll"};
  tree.removals.folders = {"/tmp\x07"};
  const std::vector<std::string> problems = FindTreeProblems(root.path(), tree, false, nullptr);
  ASSERT_EQ(problems.size(), 2u);
  for (const std::string& problem : problems) {
    EXPECT_EQ(problem, "101/RemoveFiles.inf names an entry that is not printable ASCII");
  }
}

}  // namespace
}  // namespace zefo::publish
