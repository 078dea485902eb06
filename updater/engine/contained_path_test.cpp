#include "updater/engine/contained_path.h"

#include <gtest/gtest.h>

namespace zefo {
namespace {

TEST(NamesItemBelowFolder, AcceptsNamesBelowTheFolder) {
  for (const char* path : {"a.dll", "x64\\ZLauncher.exe", "x64/ZLauncher.exe", "sub\\", "a\\.\\b",
                           ".hidden", "a..b", "sub\\.", " x"}) {
    EXPECT_TRUE(NamesItemBelowFolder(path)) << path;
  }
}

TEST(NamesItemBelowFolder, RefusesTheFolderItselfAndAnythingOutside) {
  for (const char* path : {"", " ", ".", ". ", ".\\", "./.", "\\\\", "..", "..\\a", "a\\..\\..\\b",
                           "...\\a", "a\\.. ", "\\a", "/a", "c:\\a", "c:a", "\\\\server\\share"}) {
    EXPECT_FALSE(NamesItemBelowFolder(path)) << path;
  }
}

}  // namespace
}  // namespace zefo
